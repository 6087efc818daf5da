// CopyFileA of one file onto a path where no file is, timed around the copy
// alone: what installing the same bytes costs with the system's own copy.
//
//   timed_copy SOURCE DESTINATION
//
// Prints "bytes=N seconds=S".
#include <windows.h>

#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        fprintf(stderr, "usage: timed_copy SOURCE DESTINATION\n");
        return 2;
    }
    DeleteFileA(argv[2]);
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const BOOL copied = CopyFileA(argv[1], argv[2], TRUE);
    QueryPerformanceCounter(&end);
    if (!copied)
    {
        fprintf(stderr, "timed_copy: CopyFileA failed with error %lu\n", GetLastError());
        return 1;
    }
    WIN32_FILE_ATTRIBUTE_DATA facts = {};
    GetFileAttributesExA(argv[2], GetFileExInfoStandard, &facts);
    const unsigned long long bytes =
        (static_cast<unsigned long long>(facts.nFileSizeHigh) << 32) | facts.nFileSizeLow;
    printf("bytes=%llu seconds=%.6f\n", bytes,
           static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
