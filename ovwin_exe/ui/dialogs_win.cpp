#include "ui/dialogs.h"

#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "resources/resource_ids.h"
#include "ui/dialog_text.h"
#include "ui/splash_win.h"

#include <windows.h>

#include <memory>

namespace
{
constexpr int kCaptionCapacity = 64;
constexpr int kHeadingCapacity = 64;
constexpr int kCriticalBodyCapacity = 160;
constexpr std::size_t kCriticalTextCapacity = 255;

void LoadText(UINT id, char* buffer, int capacity)
{
    buffer[0] = '\0';
    LoadStringA(GetModuleHandleA(nullptr), id, buffer, capacity);
}
} // namespace

void ShowErrorDialog(const char* format, ...)
{
    char caption[kCaptionCapacity];
    char heading[kHeadingCapacity];
    LoadText(IDS_DIALOG_CAPTION, caption, kCaptionCapacity);
    LoadText(IDS_ERROR_HEADING, heading, kHeadingCapacity);

    va_list arguments;
    va_start(arguments, format);
    std::unique_ptr<char[]> message = FormatWholeMessage(format, arguments);
    va_end(arguments);
    if (!message)
    {
        return;
    }

    char boxText[kMessageCapacity];
    BuildErrorBoxText(heading, message.get(), boxText, sizeof(boxText));
    ErrorLog("Error Dialog: %s; %s", heading, message.get());
    message.reset();
    MessageBoxA(SplashWindow, boxText, caption, MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST | MB_OK);
}

void ShowCriticalFailure()
{
    char caption[kCaptionCapacity];
    char heading[kHeadingCapacity];
    char body[kCriticalBodyCapacity];
    LoadText(IDS_DIALOG_CAPTION, caption, kCaptionCapacity);
    LoadText(IDS_ERROR_HEADING, heading, kHeadingCapacity);
    LoadText(IDS_CRITICAL_FAILURE, body, kCriticalBodyCapacity);

    char boxText[kCriticalTextCapacity];
    FormatToBuffer(boxText, sizeof(boxText), "%s\n\n%s", heading, body);
    MessageBoxA(SplashWindow, boxText, caption, MB_ICONERROR | MB_SETFOREGROUND | MB_OK);
}
