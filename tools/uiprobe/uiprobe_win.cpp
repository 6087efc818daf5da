// uiprobe: looks at top-level windows the way a user would, for tests.
//
//   uiprobe list                      visible top-level windows: title and class
//   uiprobe wait TITLE [MS]           wait until a visible window has this title
//   uiprobe gone TITLE [MS]           wait until no visible window has this title
//   uiprobe info TITLE                its class, rectangles, styles and owner
//   uiprobe controls TITLE            one line per child: id, class, style, rect, text
//   uiprobe click TITLE ID            click the button with this id
//   uiprobe escape TITLE              press Escape in a dialog (on its focused control)
//   uiprobe close TITLE               choose Close from a dialog's system menu, as its
//                                     close box does
//                                     (both return once the dialog has taken the key or
//                                     command and what it posted in answer)
//   uiprobe shot TITLE FILE.bmp       save what the screen shows of the window
//   uiprobe progress TITLE [MS]       wait for the window, then follow its progress
//                                     bar until it is gone: each position shown, one a line
//
// Titles are compared exactly. Texts are printed with C escapes (\n, \r, \t,
// \\) so that every control stays on one line. Exit status 0 on success, 1
// when the window or control is not there, 2 on a usage error.
#include "ui/gdi_owners_win.h"

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{
// Enough for the sample main program's report of what it received.
constexpr int kTextCapacity = 16384;
constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kPollMs = 50;
constexpr UINT kMessageTimeoutMs = 2000;
// The launcher keeps each position at least 300 ms.
constexpr DWORD kProgressPollMs = 5;

struct Search
{
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM context)
{
    Search* search = reinterpret_cast<Search*>(context);
    char text[kTextCapacity] = "";
    if (!IsWindowVisible(window))
    {
        return TRUE;
    }
    GetWindowTextA(window, text, kTextCapacity);
    if (strcmp(text, search->title) == 0)
    {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisibleWindow(const char* title)
{
    Search search = {title, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const char* title, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        HWND window = FindVisibleWindow(title);
        if (window != nullptr || GetTickCount() - start >= timeoutMs)
        {
            return window;
        }
        Sleep(kPollMs);
    }
}

void PrintEscaped(const char* text)
{
    for (const char* p = text; *p != '\0'; ++p)
    {
        switch (*p)
        {
            case '\n':
                fputs("\\n", stdout);
                break;
            case '\r':
                fputs("\\r", stdout);
                break;
            case '\t':
                fputs("\\t", stdout);
                break;
            case '\\':
                fputs("\\\\", stdout);
                break;
            default:
                fputc(*p, stdout);
                break;
        }
    }
}

BOOL CALLBACK PrintList(HWND window, LPARAM)
{
    char text[kTextCapacity] = "";
    char className[256] = "";
    if (!IsWindowVisible(window))
    {
        return TRUE;
    }
    GetWindowTextA(window, text, kTextCapacity);
    GetClassNameA(window, className, sizeof(className));
    printf("class=%s title=", className);
    PrintEscaped(text);
    fputc('\n', stdout);
    return TRUE;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM parent)
{
    // Only direct children: the controls a dialog owns.
    if (GetParent(control) != reinterpret_cast<HWND>(parent))
    {
        return TRUE;
    }
    char text[kTextCapacity] = "";
    char className[256] = "";
    RECT rect = {};
    // WM_GETTEXT rather than GetWindowTextA, which does not ask a control
    // of another process: an edit control keeps its text to itself.
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, kTextCapacity, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kMessageTimeoutMs, &copied);
    GetClassNameA(control, className, sizeof(className));
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&rect), 2);
    printf("id=%d class=%s style=0x%08lx visible=%d rect=%ld,%ld,%ld,%ld text=", GetDlgCtrlID(control),
           className, static_cast<unsigned long>(GetWindowLongA(control, GWL_STYLE)),
           IsWindowVisible(control) ? 1 : 0, rect.left, rect.top, rect.right, rect.bottom);
    PrintEscaped(text);
    fputc('\n', stdout);
    return TRUE;
}

void PrintInfo(HWND window)
{
    char text[kTextCapacity] = "";
    char className[256] = "";
    RECT rect = {};
    RECT client = {};
    GetWindowTextA(window, text, kTextCapacity);
    GetClassNameA(window, className, sizeof(className));
    GetWindowRect(window, &rect);
    GetClientRect(window, &client);
    HWND owner = GetWindow(window, GW_OWNER);
    char ownerTitle[kTextCapacity] = "";
    if (owner != nullptr)
    {
        GetWindowTextA(owner, ownerTitle, kTextCapacity);
    }
    printf("title=");
    PrintEscaped(text);
    printf("\nclass=%s\n", className);
    printf("rect=%ld,%ld,%ld,%ld\n", rect.left, rect.top, rect.right, rect.bottom);
    printf("client=%ld,%ld\n", client.right - client.left, client.bottom - client.top);
    printf("style=0x%08lx\n", static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)));
    printf("exstyle=0x%08lx\n", static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)));
    printf("owner=%s\n", owner != nullptr ? "yes" : "no");
    printf("owner_title=");
    PrintEscaped(ownerTitle);
    printf("\nscreen=%d,%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool ClickButton(HWND window, int id)
{
    HWND button = GetDlgItem(window, id);
    if (button == nullptr)
    {
        fprintf(stderr, "uiprobe: no control with id %d\n", id);
        return false;
    }
    DWORD_PTR result = 0;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return true;
}

// The control that has the keyboard focus in the window's thread; null
// when there is none.
HWND FocusOf(HWND window)
{
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread))
    {
        return nullptr;
    }
    return thread.hwndFocus;
}

// Returns once the dialog's thread has taken every message posted to it
// before, and whatever those posted in turn: the focus is moved to the next
// control and back by messages posted behind them, and each move is seen.
bool Settle(HWND dialog)
{
    const HWND original = FocusOf(dialog);
    for (const WPARAM previous : {FALSE, TRUE})
    {
        const HWND before = FocusOf(dialog);
        PostMessageA(dialog, WM_NEXTDLGCTL, previous, FALSE);
        const DWORD start = GetTickCount();
        while (IsWindow(dialog) && FocusOf(dialog) == before)
        {
            if (GetTickCount() - start >= kDefaultWaitMs)
            {
                fputs("uiprobe: the window's thread takes no messages\n", stderr);
                return false;
            }
            Sleep(kPollMs);
        }
    }
    return !IsWindow(dialog) || FocusOf(dialog) == original;
}

// The window's focused control, or the window itself. A dialog shows a
// moment before its thread moves the keyboard focus into it, and a key sent
// meanwhile would reach the window that had the focus (the dialog's owner,
// say), so this waits for the focus to arrive.
HWND KeyboardTarget(HWND window)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        const HWND focus = FocusOf(window);
        if (focus == window || (focus != nullptr && IsChild(window, focus)))
        {
            return focus;
        }
        if (GetTickCount() - start >= kDefaultWaitMs)
        {
            return window;
        }
        Sleep(kPollMs);
    }
}

// Presses Escape where the window's keyboard input goes.
bool PressEscape(HWND window)
{
    const HWND target = KeyboardTarget(window);
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    return Settle(window);
}

// Copies what the screen shows in the area into a bottom-up 24-bit picture
// (rows padded to four bytes) and hands its header and pixels to use, whose
// verdict it returns; false when the copy could not be made.
template <typename Use>
bool UseScreenArea(const RECT& area, Use use)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;

    const ScreenDc screen(GetDC(nullptr));
    const MemoryDc memory(CreateCompatibleDC(screen.Get()));
    void* bits = nullptr;
    const GdiObject<HBITMAP> bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap)
    {
        return false;
    }
    {
        const GdiSelection picture = SelectInto(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
    }
    return use(info.bmiHeader, static_cast<const BYTE*>(bits));
}

// Saves the screen area under the window as a bitmap file.
bool SaveScreenshot(HWND window, const char* path)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    if (rect.right <= rect.left || rect.bottom <= rect.top)
    {
        fprintf(stderr, "uiprobe: the window has no area\n");
        return false;
    }
    return UseScreenArea(rect, [path](const BITMAPINFOHEADER& header, const BYTE* pixels) {
        const DWORD stride = (static_cast<DWORD>(header.biWidth) * 3 + 3) & ~3u;
        const DWORD imageSize = stride * static_cast<DWORD>(header.biHeight);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + imageSize;
        bool saved = false;
        FILE* out = fopen(path, "wb");
        if (out != nullptr)
        {
            saved = fwrite(&file, sizeof(file), 1, out) == 1 &&
                    fwrite(&header, sizeof(header), 1, out) == 1 && fwrite(pixels, imageSize, 1, out) == 1;
            saved = (fclose(out) == 0) && saved;
        }
        if (!saved)
        {
            fprintf(stderr, "uiprobe: cannot write %s\n", path);
        }
        return saved;
    });
}

BOOL CALLBACK MatchProgressBar(HWND control, LPARAM context)
{
    char className[256] = "";
    GetClassNameA(control, className, sizeof(className));
    if (strcmp(className, PROGRESS_CLASSA) != 0)
    {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(context) = control;
    return FALSE;
}

// The position, in the default range of 0 to 100, that one row of a bar's
// face shows (24-bit pixels): inside a one-pixel frame the filled part runs
// from the left in the highlight colour and the rest is one other colour.
// -1 for any other picture (the bar half repainted).
int PositionOfRow(const BYTE* pixels, int width)
{
    const int inner = width - 2;
    if (inner <= 0)
    {
        return -1;
    }
    const COLORREF fill = GetSysColor(COLOR_HIGHLIGHT);
    auto colour = [pixels](int x) {
        const BYTE* pixel = pixels + 3 * x; // blue, green, red
        return RGB(pixel[2], pixel[1], pixel[0]);
    };
    int filled = 0;
    while (filled < inner && colour(1 + filled) == fill)
    {
        ++filled;
    }
    for (int x = 1 + filled; x <= inner; ++x)
    {
        if (colour(x) != colour(1 + filled) || colour(x) == fill)
        {
            return -1;
        }
    }
    return (filled * 100 + inner / 2) / inner;
}

// The position the bar shows on the screen now, read from its middle row.
// The bar's own PBM_GETPOS cannot tell: the launcher's thread takes no
// messages while its splash is up, so a message sent to the bar is answered
// only once the start is over.
int ShownPosition(HWND bar)
{
    RECT row = {};
    GetWindowRect(bar, &row);
    row.top = (row.top + row.bottom) / 2;
    row.bottom = row.top + 1;
    if (row.right <= row.left)
    {
        return -1;
    }
    int position = -1;
    UseScreenArea(row, [&position](const BITMAPINFOHEADER& header, const BYTE* pixels) {
        position = PositionOfRow(pixels, header.biWidth);
        return true;
    });
    return position;
}

// Prints each position the window's progress bar shows, once two readings
// in a row agree, until the window is gone.
bool FollowProgress(HWND window)
{
    HWND bar = nullptr;
    EnumChildWindows(window, MatchProgressBar, reinterpret_cast<LPARAM>(&bar));
    if (bar == nullptr)
    {
        fprintf(stderr, "uiprobe: the window has no progress bar\n");
        return false;
    }
    int printed = -1;
    int previous = -1;
    while (IsWindow(window) && IsWindowVisible(window))
    {
        const int position = ShownPosition(bar);
        if (position >= 0 && position == previous && position != printed)
        {
            printf("%d\n", position);
            fflush(stdout);
            printed = position;
        }
        previous = position;
        Sleep(kProgressPollMs);
    }
    return true;
}

int Usage()
{
    fputs("usage: uiprobe list | wait TITLE [MS] | gone TITLE [MS] | info TITLE | controls TITLE |\n"
          "               click TITLE ID | escape TITLE | close TITLE | shot TITLE FILE.bmp |\n"
          "               progress TITLE [MS]\n",
          stderr);
    return 2;
}

DWORD TimeoutArgument(int argc, char** argv)
{
    return argc > 3 ? static_cast<DWORD>(strtoul(argv[3], nullptr, 10)) : kDefaultWaitMs;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        return Usage();
    }
    const char* command = argv[1];
    if (strcmp(command, "list") == 0)
    {
        EnumWindows(PrintList, 0);
        return 0;
    }
    if (argc < 3)
    {
        return Usage();
    }
    const char* title = argv[2];

    if (strcmp(command, "wait") == 0)
    {
        return WaitForWindow(title, TimeoutArgument(argc, argv)) != nullptr ? 0 : 1;
    }
    if (strcmp(command, "progress") == 0)
    {
        HWND window = WaitForWindow(title, TimeoutArgument(argc, argv));
        if (window == nullptr)
        {
            fprintf(stderr, "uiprobe: no visible window titled \"%s\"\n", title);
            return 1;
        }
        return FollowProgress(window) ? 0 : 1;
    }
    if (strcmp(command, "gone") == 0)
    {
        DWORD start = GetTickCount();
        while (FindVisibleWindow(title) != nullptr)
        {
            if (GetTickCount() - start >= TimeoutArgument(argc, argv))
            {
                return 1;
            }
            Sleep(kPollMs);
        }
        return 0;
    }

    HWND window = FindVisibleWindow(title);
    if (window == nullptr)
    {
        fprintf(stderr, "uiprobe: no visible window titled \"%s\"\n", title);
        return 1;
    }
    if (strcmp(command, "info") == 0)
    {
        PrintInfo(window);
        return 0;
    }
    if (strcmp(command, "controls") == 0)
    {
        EnumChildWindows(window, PrintControl, reinterpret_cast<LPARAM>(window));
        return 0;
    }
    if (strcmp(command, "click") == 0 && argc == 4)
    {
        return ClickButton(window, atoi(argv[3])) ? 0 : 1;
    }
    if (strcmp(command, "escape") == 0)
    {
        return PressEscape(window) ? 0 : 1;
    }
    if (strcmp(command, "close") == 0)
    {
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return Settle(window) ? 0 : 1;
    }
    if (strcmp(command, "shot") == 0 && argc == 4)
    {
        return SaveScreenshot(window, argv[3]) ? 0 : 1;
    }
    return Usage();
}
