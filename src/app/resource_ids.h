// Identifiers of the resources compiled into stickwise.exe.
#pragma once

#define IDI_STICKWISE 1
#define kLogoBitmap 101
