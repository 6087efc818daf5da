// The list mode's report of the package archive.
#pragma once

// Reads "verozar0.dll" directly (not through OpenTABFile) and writes
// "filelist.txt" anew; its messages go to standard output, not the logs.
void CreateFileListReport();
