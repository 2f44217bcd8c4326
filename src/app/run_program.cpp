#include "app/run_program.h"

#include "app/fmtmain.h"
#include "instance/instancecontrol.h"
#include "toolkit/application.h"

namespace sw {

int RunMainWindow(HINSTANCE instance, AppServices& services) {
  auto& application = tk::Application();
  application.Initialize(instance, services.dialogs);
  application.Title = kApplicationTitle;
  RegisterInstanceControlClass();  // the main window carries the single-instance guard
  tk::Guarded([&] {
    TMainForm mainForm(services);
    application.SetMainForm(&mainForm);
    application.Run();
  });
  return 0;
}

}  // namespace sw
