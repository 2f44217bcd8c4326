// Fakes behind the main window's dialogs, system facts, locale and printer,
// wired into `services`; the drive services are left for the user to add.
#pragma once

#include "app/services.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_locale.h"
#include "fakes/fake_print_canvas.h"
#include "fakes/fake_system_facts.h"
#include "fakes/fake_taskbar.h"

namespace sw::fakes {

struct FakeAppServices {
  FakeAppServices() {
    services.dialogs = &dialogs;
    services.system = &system;
    services.locale = &locale;
    services.printer = &printer;
    services.taskbar = &taskbar;
  }
  FakeAppServices(const FakeAppServices&) = delete;
  FakeAppServices& operator=(const FakeAppServices&) = delete;

  FakeDialogs dialogs;
  FakeSystemFacts system;
  FakeLocale locale;
  FakePrintCanvas printer;
  FakeTaskbar taskbar;
  AppServices services;
};

}  // namespace sw::fakes
