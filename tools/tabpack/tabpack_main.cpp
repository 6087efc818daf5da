// tabpack: builds, lists, verifies, extracts and signs TAB archives, the
// package archives the launcher installs from, and rehearses their
// installation.
#include "archive_signing.h"
#include "resources/version.h"
#include "tabpack_commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const char kHelp[] = "Usage: tabpack create [--no-size] [--sign PRIVATE] ARCHIVE MANIFEST\n"
                     "       tabpack list [--utc] ARCHIVE\n"
                     "       tabpack verify [--key PUBLIC] ARCHIVE\n"
                     "       tabpack extract ARCHIVE DIR\n"
                     "       tabpack plan ARCHIVE ROOT\n"
                     "       tabpack keygen PRIVATE PUBLIC\n"
                     "       tabpack sign ARCHIVE PRIVATE\n"
                     "       tabpack --help | --version\n"
                     "\n"
                     "Builds and checks TAB archives, the package archives (\"verozar0.dll\") the\n"
                     "launcher installs from.\n"
                     "\n"
                     "  create   builds ARCHIVE from the entries of MANIFEST, records in manifest\n"
                     "           order, contents after the record block in the same order. The\n"
                     "           output depends only on the manifest and the files it names.\n"
                     "           --no-size stores ArchiveSize 0, which the launcher does not check.\n"
                     "           The archive is written beside ARCHIVE and put in its place only\n"
                     "           when complete. Whatever verify would refuse fails the command and\n"
                     "           leaves ARCHIVE as it was; verify's warnings are passed on.\n"
                     "           --sign signs it with the private key PRIVATE before it takes\n"
                     "           ARCHIVE's place.\n"
                     "  list     prints the listing of the launcher's list mode (filelist.txt)\n"
                     "           with every used record as it stands. Times are local, converted\n"
                     "           with today's offset from UTC as the launcher converts them; --utc\n"
                     "           prints them as stored. A signed archive's listing ends with a line\n"
                     "           naming the key that signed it.\n"
                     "  verify   makes every check the launcher makes and those it leaves to the\n"
                     "           archive's maker (contents inside the file and not overlapping,\n"
                     "           names, destinations, install rules, time stamps); prints one line\n"
                     "           per refusal or warning, then one line saying the archive is sound\n"
                     "           when nothing was refused. For a signed archive it checks the\n"
                     "           digest table's place and every digest, and with --key the\n"
                     "           signature against the public key PUBLIC; --key refuses an\n"
                     "           unsigned archive.\n"
                     "  extract  writes each entry of a sound archive to DIR/DESTINATION/NAME with\n"
                     "           its time stamp as last-write time. It never writes outside DIR:\n"
                     "           it refuses to follow a symbolic link or junction found inside DIR,\n"
                     "           and replaces a file of the entry's name rather than writing into it.\n"
                     "  plan     rehearses an update: for every used record of a sound archive, what\n"
                     "           a standard start would do against the installed files found at\n"
                     "           ROOT/DESTINATION/NAME (the layout extract writes, e.g. a staging\n"
                     "           copy): install or up to date, with the rule and reason that decided\n"
                     "           it, the entry's and the installed file's time (UTC, to the minute,\n"
                     "           as compared) and size; or skipped, with the reason. It decides as\n"
                     "           the launcher does and changes nothing.\n"
                     "  keygen   makes an ECDSA P-256 key pair for signing archives: PRIVATE, the\n"
                     "           private key (PKCS#8 PEM, readable by its owner only; an existing\n"
                     "           file is never replaced), PUBLIC, the 64 bytes of the public key,\n"
                     "           and PUBLIC.reg, which sets the launcher key's value\n"
                     "           ArchivePublicKey: a workstation with it installs only archives\n"
                     "           that key signed.\n"
                     "  sign     writes or replaces the digest table and the signature of a sound\n"
                     "           ARCHIVE with the private key PRIVATE (PEM: PKCS#8 or the EC\n"
                     "           form), in a new file that takes ARCHIVE's place when complete.\n"
                     "           Signing a signed archive again replaces its table and signature.\n"
                     "\n"
                     "Manifest: one entry a line, in archive order; blank lines and lines whose\n"
                     "first non-blank character is # are ignored. Fields are separated by blanks.\n"
                     "A UTF-8 byte-order mark at the start is skipped. Names are stored byte for\n"
                     "byte; the launcher reads them in its computer's ANSI code page.\n"
                     "\n"
                     "  SOURCE DESTINATION RULE [TIME]\n"
                     "  unused\n"
                     "\n"
                     "  SOURCE       the file to store, relative to the manifest's folder unless\n"
                     "               absolute; in double quotes when it holds blanks. The entry's\n"
                     "               name is its last path component: a bare file name of at most\n"
                     "               49 characters.\n"
                     "  DESTINATION  CUR, FON, WIN, SYS or S64; any other text of up to 9\n"
                     "               characters is stored with a warning.\n"
                     "  RULE         different (101), newer (102), always (103) or doesnotexist\n"
                     "               (109), in any letter case, or a number, stored with a warning\n"
                     "               when it is none of these.\n"
                     "  TIME         the last-write time in UTC, YYYY-MM-DDTHH:MM:SS[.mmm]Z; by\n"
                     "               default the source's last-write time to the millisecond.\n"
                     "  unused       an unused record (all zero) at this place.\n"
                     "\n"
                     "Example:\n"
                     "  # the engine and its font\n"
                     "  bin/verozar1.exe       CUR  newer\n"
                     "  \"fonts/Altavy Sans.ttf\" FON  doesnotexist  2023-07-14T09:30:00Z\n"
                     "\n"
                     "Exit status: 0 success, 1 failure or an archive that is not sound, 2 wrong\n"
                     "usage. Errors and warnings go to standard error, verify's findings and\n"
                     "plan's lines to standard output.\n";

const char kVerifyOnly[] = "\n"
                           "This build (tabpack.exe) lists and verifies signed archives but makes\n"
                           "no keys or signatures: keygen, sign and create --sign need the Linux\n"
                           "build of tabpack.\n";

int Usage(const char* problem)
{
    std::fprintf(stderr, "tabpack: %s\nTry 'tabpack --help'.\n", problem);
    return kTabpackUsage;
}

// Takes "NAME VALUE" out of the options before the arguments; false when
// NAME is the last word.
bool TakeValueOption(const char* name, std::vector<std::string>* words, std::string* value)
{
    for (std::size_t i = 0; name != nullptr && i < words->size() && (*words)[i].rfind("--", 0) == 0; ++i)
    {
        if ((*words)[i] != name)
        {
            continue;
        }
        if (i + 1 == words->size())
        {
            return false;
        }
        *value = (*words)[i + 1];
        words->erase(words->begin() + static_cast<std::ptrdiff_t>(i),
                     words->begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return true;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty())
    {
        return Usage("missing command");
    }
    if (words[0] == "--help" || words[0] == "-h")
    {
        std::fputs(kHelp, stdout);
        if (!kSigningAvailable)
        {
            std::fputs(kVerifyOnly, stdout);
        }
        return kTabpackSuccess;
    }
    if (words[0] == "--version")
    {
        std::fputs("tabpack " OVWIN_VERSION_TEXT "\n", stdout);
        return kTabpackSuccess;
    }
    const std::string command = words[0];
    words.erase(words.begin());
    // create's --sign PRIVATE and verify's --key PUBLIC, among the options.
    const char* valueOption = command == "create" ? "--sign" : command == "verify" ? "--key" : nullptr;
    std::string optionValue;
    if (!TakeValueOption(valueOption, &words, &optionValue))
    {
        return Usage(("missing value for " + std::string(valueOption)).c_str());
    }
    // The one option each command may have comes first.
    const char* option = command == "create" ? "--no-size" : command == "list" ? "--utc" : nullptr;
    const bool optionGiven = option != nullptr && !words.empty() && words[0] == option;
    if (optionGiven)
    {
        words.erase(words.begin());
    }
    for (const std::string& word : words)
    {
        if (word.size() > 1 && word[0] == '-')
        {
            return Usage(("unknown option " + word).c_str());
        }
    }

    if (command == "create" && words.size() == 2)
    {
        CreateOptions options;
        options.WriteArchiveSize = !optionGiven;
        options.SignWith = optionValue;
        return CreateArchive(words[0], words[1], options, stderr);
    }
    if (command == "list" && words.size() == 1)
    {
        return ListArchive(words[0], optionGiven, stdout, stderr);
    }
    if (command == "verify" && words.size() == 1)
    {
        return VerifyArchive(words[0], optionValue, stdout, stderr);
    }
    if (command == "extract" && words.size() == 2)
    {
        return ExtractArchive(words[0], words[1], stdout, stderr);
    }
    if (command == "plan" && words.size() == 2)
    {
        return PlanArchive(words[0], words[1], stdout, stderr);
    }
    if (command == "keygen" && words.size() == 2)
    {
        return GenerateKeyFiles(words[0], words[1], stdout, stderr);
    }
    if (command == "sign" && words.size() == 2)
    {
        return SignArchive(words[0], words[1], stdout, stderr);
    }
    if (command == "create" || command == "list" || command == "verify" || command == "extract" ||
        command == "plan" || command == "keygen" || command == "sign")
    {
        return Usage(("wrong arguments for " + command).c_str());
    }
    return Usage(("unknown command " + command).c_str());
}
