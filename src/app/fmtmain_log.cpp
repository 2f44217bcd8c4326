// The activity log, its context menu and the status line.
#include "app/fmtmain.h"
#include "app/print_layout.h"
#include "platform/locale.h"
#include "platform/print_canvas.h"
#include "toolkit/clipboard.h"

namespace sw {

// The line goes into the log's store at once; the control shows it with the
// next chunk (see TMemo).
void TMainForm::AddLogLine(const std::string& text) { Log->AppendLine(text); }

void TMainForm::FlushLog() { Log->Flush(); }

void TMainForm::ShowStatus(const std::string& text) {
  if (lblCopyright->Visible()) lblCopyright->SetVisible(false);
  lblBottomMsg->SetCaption(text);
  if (!lblBottomMsg->Visible()) lblBottomMsg->SetVisible(true);
}

void TMainForm::ClearStatus() {
  lblBottomMsg->SetCaption("");
  lblBottomMsg->SetVisible(false);
  lblCopyright->SetVisible(true);
}

void TMainForm::Copy1Click() {
  Log->SelectAll();  // shows every line first, so the selection is the whole log
  tk::SetClipboardText(Handle(), Log->Text());
}

void TMainForm::Clear1Click() { Log->Clear(); }

void TMainForm::Print1Click() { PrintLog(); }

void TMainForm::PrintLog() {
  ILocale& locale = *services_.locale;
  auto stamp = [&locale] {
    LocalDateTime now = locale.Now();
    std::string text = locale.FormatShortDate(now);
    if (now.hour != 0 || now.minute != 0 || now.second != 0) text += " " + locale.FormatLongTime(now);
    return text;
  };
  const std::string heading = Caption() + " Software Log";
  FlushLog();  // the window shows what is printed
  IPrintCanvas& canvas = *services_.printer;
  try {
    // Inside the handling: a job that starts but cannot open its first page
    // is abandoned like any other failing job.
    canvas.BeginDoc(heading + " - " + stamp());
    canvas.SetFont(Description().fontName, Description().fontPoints);
    std::vector<std::string> lines{heading + " - " + stamp()};
    for (std::string& line : Log->Lines()) lines.push_back(std::move(line));
    PrintTextLines(canvas, lines);
    canvas.EndDoc();
  } catch (...) {
    canvas.Abort();  // the job ends; the error box reports it
    throw;
  }
}

}  // namespace sw
