// The bare minimum of an update check: for every path of a list file, the
// calls the launcher makes to learn an installed file's presence, size and
// time (FindFirstFileA, CreateFileA, GetFileSize, GetFileTime and the
// closes), timed around the loop alone.
//
//   file_check_loop LIST     LIST: one Windows path a line
//
// Prints "files=N present=P seconds=S".
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace
{
std::vector<std::string> ReadPaths(const char* listPath)
{
    std::vector<std::string> paths;
    FILE* list = fopen(listPath, "r");
    if (list == nullptr)
    {
        return paths;
    }
    char line[MAX_PATH + 2];
    while (fgets(line, sizeof(line), list) != nullptr)
    {
        line[strcspn(line, "\r\n")] = '\0';
        if (line[0] != '\0')
        {
            paths.emplace_back(line);
        }
    }
    fclose(list);
    return paths;
}

bool CheckFile(const char* path)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        return false;
    }
    FindClose(search);
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return false;
    }
    const DWORD size = GetFileSize(file, nullptr);
    FILETIME written = {};
    const bool stamped = GetFileTime(file, nullptr, nullptr, &written) != FALSE;
    CloseHandle(file);
    return stamped && size != INVALID_FILE_SIZE;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: file_check_loop LIST\n");
        return 2;
    }
    const std::vector<std::string> paths = ReadPaths(argv[1]);
    if (paths.empty())
    {
        fprintf(stderr, "file_check_loop: no paths in %s\n", argv[1]);
        return 1;
    }
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    size_t present = 0;
    for (const std::string& path : paths)
    {
        present += CheckFile(path.c_str()) ? 1 : 0;
    }
    QueryPerformanceCounter(&end);
    printf("files=%zu present=%zu seconds=%.6f\n", paths.size(), present,
           static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    return present == paths.size() ? 0 : 1;
}
