#include "manifest.h"

#include "archive_audit.h"
#include "install/install_codes.h"
#include "install/tab_time.h"
#include "tabpack_platform.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Splits a line into fields at blanks; a field that starts with a double
// quote runs to the next one. False when a quote is not closed or is not
// followed by a blank.
bool SplitFields(const std::string& line, std::vector<std::string>* fields)
{
    std::size_t at = 0;
    while (at < line.size())
    {
        if (IsBlank(line[at]))
        {
            ++at;
            continue;
        }
        std::size_t end = at;
        if (line[at] == '"')
        {
            end = line.find('"', at + 1);
            if (end == std::string::npos || (end + 1 < line.size() && !IsBlank(line[end + 1])))
            {
                return false;
            }
            fields->push_back(line.substr(at + 1, end - at - 1));
            at = end + 1;
            continue;
        }
        while (end < line.size() && !IsBlank(line[end]))
        {
            ++end;
        }
        fields->push_back(line.substr(at, end - at));
        at = end;
    }
    return true;
}

std::string Upper(std::string text)
{
    for (char& c : text)
    {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

bool ParseDecimal(const char* text, std::size_t digits, uint64_t limit, uint64_t* value)
{
    *value = 0;
    for (std::size_t i = 0; i < digits; ++i)
    {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
        {
            return false;
        }
        *value = *value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (*value > limit)
        {
            return false;
        }
    }
    return digits > 0;
}

constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

bool IsAscii(const std::string& text)
{
    for (const char c : text)
    {
        if (static_cast<unsigned char>(c) >= 0x80)
        {
            return false;
        }
    }
    return true;
}

bool HasControlCharacter(const std::string& text)
{
    for (const char c : text)
    {
        if (static_cast<unsigned char>(c) < 0x20)
        {
            return true;
        }
    }
    return false;
}

std::string Numbered(unsigned line, const std::string& message)
{
    return "line " + std::to_string(line) + ": " + message;
}
} // namespace

bool ParseInstallRule(const std::string& text, uint32_t* installType)
{
    static const struct
    {
        const char* word;
        uint32_t rule;
    } words[] = {{"DIFFERENT", INSTALL_DIFFERENT},
                 {"NEWER", INSTALL_NEWER},
                 {"ALWAYS", INSTALL_ALWAYS},
                 {"DOESNOTEXIST", INSTALL_DOES_NOT_EXIST}};
    const std::string upper = Upper(text);
    for (const auto& word : words)
    {
        if (upper == word.word)
        {
            *installType = word.rule;
            return true;
        }
    }
    uint64_t value = 0;
    if (!ParseDecimal(text.c_str(), text.size(), 0xFFFFFFFFull, &value))
    {
        return false;
    }
    *installType = static_cast<uint32_t>(value);
    return true;
}

bool ParseUtcTime(const std::string& text, TabTimestamp* stamp)
{
    // Field start, digit count and the character that must follow.
    static const struct
    {
        std::size_t at;
        std::size_t digits;
        char after;
    } layout[] = {{0, 4, '-'}, {5, 2, '-'}, {8, 2, 'T'}, {11, 2, ':'}, {14, 2, ':'}, {17, 2, '\0'}};
    uint64_t values[7] = {};
    if (text.size() < 20)
    {
        return false;
    }
    for (std::size_t i = 0; i < 6; ++i)
    {
        const auto& field = layout[i];
        if (!ParseDecimal(text.c_str() + field.at, field.digits, 9999, &values[i]) ||
            (field.after != '\0' && text[field.at + field.digits] != field.after))
        {
            return false;
        }
    }
    std::size_t rest = 19;
    if (text[rest] == '.')
    {
        if (text.size() != 24 || !ParseDecimal(text.c_str() + 20, 3, 999, &values[6]))
        {
            return false;
        }
        rest = 23;
    }
    if (text[rest] != 'Z' || rest + 1 != text.size())
    {
        return false;
    }
    TabTimestamp parsed = {static_cast<uint16_t>(values[0]), static_cast<uint16_t>(values[1]),
                           static_cast<uint16_t>(values[2]), 0,
                           static_cast<uint16_t>(values[3]), static_cast<uint16_t>(values[4]),
                           static_cast<uint16_t>(values[5]), static_cast<uint16_t>(values[6])};
    uint64_t ticks = 0;
    return TimestampToTicks(parsed, &ticks) && TicksToTimestamp(ticks, stamp);
}

Manifest ParseManifest(const std::string& text)
{
    Manifest manifest;
    const bool utf8 = text.compare(0, sizeof(kUtf8ByteOrderMark) - 1, kUtf8ByteOrderMark) == 0;
    std::size_t start = utf8 ? sizeof(kUtf8ByteOrderMark) - 1 : 0;
    unsigned number = 0;
    while (start < text.size())
    {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }

        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
        {
            continue;
        }
        std::vector<std::string> fields;
        if (!SplitFields(line, &fields))
        {
            manifest.Errors.push_back(
                Numbered(number, "a quoted SOURCE must end in a double quote and a blank"));
            continue;
        }
        ManifestEntry entry = {};
        entry.Line = number;
        if (fields.size() == 1 && fields[0] == "unused")
        {
            entry.Unused = true;
            manifest.Entries.push_back(entry);
            continue;
        }
        if (fields.size() < 3 || fields.size() > 4)
        {
            manifest.Errors.push_back(Numbered(number, "expected SOURCE DESTINATION RULE [TIME] or unused"));
            continue;
        }
        entry.Source = fields[0];
        entry.Name = NameOfPath(fields[0]);
        entry.Destination = fields[1];
        if (entry.Name.size() >= kFileNameField ||
            ReadEntryName(entry.Name.c_str()) == NameReading::NotBare ||
            entry.Name.find('\0') != std::string::npos)
        {
            manifest.Errors.push_back(Numbered(
                number, "the name \"" + entry.Name + "\" is not a bare file name of at most 49 characters"));
            continue;
        }
        if (entry.Destination.empty() || entry.Destination.size() >= kDestinationField ||
            HasControlCharacter(entry.Destination))
        {
            manifest.Errors.push_back(
                Numbered(number, "a destination is 1 to 9 characters, none a control character"));
            continue;
        }
        if (!ParseInstallRule(fields[2], &entry.InstallType))
        {
            manifest.Errors.push_back(
                Numbered(number, "the rule \"" + fields[2] + "\" is neither a rule word nor a number"));
            continue;
        }
        entry.HasTimestamp = fields.size() == 4;
        if (entry.HasTimestamp && !ParseUtcTime(fields[3], &entry.Timestamp))
        {
            manifest.Errors.push_back(
                Numbered(number, "the time \"" + fields[3] + "\" is not a valid YYYY-MM-DDTHH:MM:SS[.mmm]Z"));
            continue;
        }
        if (utf8 && !IsAscii(entry.Name))
        {
            manifest.Warnings.push_back(
                Numbered(number, "the name \"" + PrintableText(entry.Name.c_str()) +
                                     "\" is stored as UTF-8, as the manifest is written; "
                                     "the launcher reads it in its ANSI code page"));
        }
        manifest.Entries.push_back(entry);
    }
    return manifest;
}
