// uiprobe: looks at top-level windows the way a user would, for tests.
//
//   uiprobe list                      visible top-level windows: title and class
//   uiprobe wait TITLE [MS]           wait until a visible window has this title
//   uiprobe gone TITLE [MS]           wait until no visible window has this title
//   uiprobe info TITLE                its class, rectangles, styles and owner
//   uiprobe controls TITLE            one line per child: id, class, style, rect, text
//   uiprobe click TITLE ID            click the button with this id
//   uiprobe shot TITLE FILE.bmp       save what the screen shows of the window
//
// Titles are compared exactly. Texts are printed with C escapes (\n, \r, \t,
// \\) so that every control stays on one line. Exit status 0 on success, 1
// when the window or control is not there, 2 on a usage error.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{
constexpr int kTextCapacity = 4096;
constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kPollMs = 50;

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
    GetWindowTextA(control, text, kTextCapacity);
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

// Copies the screen area under the window into a bottom-up 24-bit bitmap file.
bool SaveScreenshot(HWND window, const char* path)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
    {
        fprintf(stderr, "uiprobe: the window has no area\n");
        return false;
    }

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (memory != nullptr && bitmap != nullptr)
    {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        SelectObject(memory, previous);

        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + imageSize;
        FILE* out = fopen(path, "wb");
        if (out != nullptr)
        {
            saved = fwrite(&file, sizeof(file), 1, out) == 1 &&
                    fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
                    fwrite(bits, imageSize, 1, out) == 1;
            saved = (fclose(out) == 0) && saved;
        }
        if (!saved)
        {
            fprintf(stderr, "uiprobe: cannot write %s\n", path);
        }
    }
    if (bitmap != nullptr)
    {
        DeleteObject(bitmap);
    }
    if (memory != nullptr)
    {
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    return saved;
}

int Usage()
{
    fputs("usage: uiprobe list | wait TITLE [MS] | gone TITLE [MS] | info TITLE | controls TITLE |\n"
          "               click TITLE ID | shot TITLE FILE.bmp\n",
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
    if (strcmp(command, "shot") == 0 && argc == 4)
    {
        return SaveScreenshot(window, argv[3]) ? 0 : 1;
    }
    return Usage();
}
