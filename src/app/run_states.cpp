#include "app/run_states.h"

#include "app/fmtmain.h"

namespace sw {

TRunLook RunLook(TRunState state) {
  //                                  Start   Start    Cancel   bar
  //                                  shown   enabled  shown    shown
  switch (state) {
    case TRunState::Idle:     return {true,   true,    false,   false};
    case TRunState::Asking:   return {true,   false,   false,   false};
    case TRunState::Running:  return {false,  false,   true,    true};
    case TRunState::Stopping: return {true,   false,   false,   false};
    case TRunState::Ended:    return {true,   true,    false,   true};
  }
  return {true, true, false, false};
}

void ApplyRunState(TMainForm& form, TRunState state) {
  const TRunLook look = RunLook(state);
  form.btnStart->SetEnabled(look.startEnabled);
  form.btnStart->SetVisible(look.startVisible);
  form.btnCancel->SetVisible(look.cancelVisible);
  form.ProgressBar->SetVisible(look.barVisible);
  form.lblCopyright->SetVisible(state != TRunState::Running && !form.lblBottomMsg->Visible());
}

}  // namespace sw
