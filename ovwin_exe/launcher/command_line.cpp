#include "launcher/command_line.h"

#include "diagnostics/log.h"
#include "foundation/ansi_text.h"
#include "foundation/format_buffer.h"
#include "launcher/launch_options.h"

#include <cstring>

static_assert(sizeof(char*) == 8, "the argument blocks hold 8-byte pointers");

char** ParamsArray = nullptr;
uint32_t ParamCount = 0;
char** EngineCommands = nullptr;
uint32_t EngineCommandCount = 0;
std::size_t ArgumentBlockBytes = 0;

const char* const kHelpText = "OVWIN.EXE [-?] [-d] [-kl] [-s] [-i] [-r]\n\n"
                              "[-? ] Show command line help\n"
                              "[-d] Enable debug logging\n"
                              "[-kl] Append to logs (instead of overwriting)\n"
                              "[-s] Silent mode\n"
                              "[-i] Use Instance File\n"
                              "[-r] Repair mode\n";
const char* const kHelpCaption = "OVWin Launcher Command Line Help";

namespace
{
constexpr std::size_t kPointerSize = 8;

struct ArgumentEntry
{
    const char* name;
    SwitchOption LaunchOptionsRecord::*option; // null for the help switch
    bool keepsValue;
    const char* description;
};

// Compared in this order; names are those of the switches without their hyphen.
const ArgumentEntry kArgumentTable[] = {
    {"?", nullptr, false, "Command Line Help"},
    {"d100", &LaunchOptionsRecord::DeveloperDebugLogging, false, "Developer Debug Logging"},
    {"d", &LaunchOptionsRecord::DiagnosticLogging, true, "Diagnostic Logging"},
    {"kl", &LaunchOptionsRecord::AppendLogFiles, false, "Append Log Files"},
    {"s", &LaunchOptionsRecord::SilentMode, false, "Silent Mode"},
    {"i", &LaunchOptionsRecord::UsingInstanceFile, true, "Using Instance File"},
    {"r", &LaunchOptionsRecord::RepairMode, false, "Repair Mode"},
    {"el", &LaunchOptionsRecord::ElevateProcessRequest, false, "Elevate Process Request Indicator"},
};

const char* const kUnrecognizedDescription = "Unrecognized Parameter";
const char* const kEngineCommandDescription = "Rating Engine Command";

// The splitter's state while it walks the argument text.
class ArgvWriter
{
  public:
    ArgvWriter(char** slots, char* text) : slots_(slots), text_(text) {}

    void Consume(char c)
    {
        if (inQuotes_)
        {
            ConsumeQuoted(c);
        }
        else if (c == '\t' || c == '\n' || c == '\r' || c == ' ')
        {
            if (inWord_)
            {
                // A pending switch stays open for a quoted value.
                Store(switchPending_ ? ' ' : '\0');
            }
            inWord_ = false;
            atWordStart_ = true;
        }
        else if (c == '"')
        {
            inQuotes_ = true;
            inWord_ = true;
            if (atWordStart_)
            {
                if (switchPending_)
                {
                    Store(c);
                }
                else
                {
                    StartParameter();
                }
            }
            atWordStart_ = false;
        }
        else if (c == '-')
        {
            // A hyphen is never stored: at a word start it marks a switch,
            // inside a word it vanishes.
            if (atWordStart_)
            {
                EndPendingSwitch();
                switchPending_ = true;
            }
        }
        else
        {
            inWord_ = true;
            if (atWordStart_)
            {
                if (switchPending_ && position_ > 0)
                {
                    text_[position_ - 1] = '\0';
                    switchPending_ = false;
                }
                StartParameter();
            }
            Store(c);
            atWordStart_ = false;
        }
    }

    uint32_t Finish()
    {
        text_[position_] = '\0';
        slots_[count_] = nullptr;
        return count_;
    }

  private:
    void ConsumeQuoted(char c)
    {
        if (c == '"')
        {
            if (switchPending_)
            {
                Store(c);
            }
            inQuotes_ = false;
            quotedStarted_ = false;
            switchPending_ = false;
        }
        else if (c == ' ')
        {
            // Spaces right after the opening quote are dropped.
            if (quotedStarted_)
            {
                Store(c);
            }
        }
        else
        {
            Store(c);
            quotedStarted_ = true;
        }
    }

    void EndPendingSwitch()
    {
        if (switchPending_ && position_ > 0)
        {
            text_[position_ - 1] = '\0';
        }
    }

    void Store(char c) { text_[position_++] = c; }
    void StartParameter() { slots_[count_++] = &text_[position_]; }

    char** slots_;
    char* text_;
    std::size_t position_ = 0;
    uint32_t count_ = 0;
    bool inQuotes_ = false;
    bool inWord_ = false;
    bool switchPending_ = false;
    bool quotedStarted_ = false;
    bool atWordStart_ = true;
};

// Copies [begin, end) into a field, without the enclosing double quotes
// when it both begins and ends with one (a lone quote becomes empty), and
// cut to the field's capacity.
void CopyUnquoted(const char* begin, const char* end, char* field, std::size_t capacity)
{
    if (end > begin && begin[0] == '"' && end[-1] == '"')
    {
        ++begin;
        end = end > begin ? end - 1 : begin;
    }
    const std::size_t length = static_cast<std::size_t>(end - begin);
    const std::size_t kept = length < capacity ? length : capacity - 1;
    std::memcpy(field, begin, kept);
    field[kept] = '\0';
}

// Splits "name value" at the first space into its bounded fields.
void SplitParameter(const char* parameter, char* name, char* value)
{
    const char* end = parameter + std::strlen(parameter);
    const char* space = AnsiFindFirst(parameter, ' ');
    if (space != nullptr)
    {
        // Only the value's quotes go; a name before a space keeps its own.
        const std::size_t nameLength = static_cast<std::size_t>(space - parameter);
        const std::size_t kept =
            nameLength < kParameterNameCapacity ? nameLength : kParameterNameCapacity - 1;
        std::memcpy(name, parameter, kept);
        name[kept] = '\0';
        CopyUnquoted(space + 1, end, value, kParameterValueCapacity);
    }
    else
    {
        value[0] = '\0';
        CopyUnquoted(parameter, end, name, kParameterNameCapacity);
    }
}

const ArgumentEntry* FindSwitch(const char* name)
{
    for (const ArgumentEntry& entry : kArgumentTable)
    {
        if (AnsiEqualsIgnoreCase(name, entry.name))
        {
            return &entry;
        }
    }
    return nullptr;
}

// Copies the name in capitals into the engine-command text area.
void AddEngineCommand(const char* name, std::size_t& textOffset)
{
    char* commandText = reinterpret_cast<char*>(EngineCommands) + ParamCount * kPointerSize + textOffset;
    const std::size_t room = ArgumentBlockBytes - (ParamCount * kPointerSize + textOffset);
    CopyToBuffer(commandText, room, name);
    AnsiToUpper(commandText, room);
    EngineCommands[EngineCommandCount++] = commandText;
    textOffset += std::strlen(commandText) + 1;
    if (AnsiEqualsIgnoreCase(name, "preload"))
    {
        LaunchOptions.PreloadMode = 1;
    }
}
} // namespace

std::size_t ArgumentBlockSize(std::size_t textLength)
{
    return ((textLength + 2) / 2) * kPointerSize + 10 + textLength;
}

std::size_t ParamsTextOffset(std::size_t textLength)
{
    return ((textLength + 2) / 2) * kPointerSize + kPointerSize;
}

void KeepCommandLine(const char* text)
{
    if (std::strlen(text) <= kArgumentTextLimit)
    {
        CopyToBuffer(LaunchOptions.CommandLine, sizeof(LaunchOptions.CommandLine), text);
    }
    else
    {
        LaunchOptions.CommandLine[0] = '\0';
    }
}

bool ConvertCmdToArgv(const char* text)
{
    DebugLogAt(kLogDeveloper, "ConvertCmdToArgv: argv is assigned to (LPTSTR*) = %p.",
               static_cast<void*>(ParamsArray));
    const std::size_t length = std::strlen(text);
    char* parameterText = reinterpret_cast<char*>(ParamsArray) + ParamsTextOffset(length);
    ArgvWriter writer(ParamsArray, parameterText);
    for (const char* c = text; *c != '\0'; ++c)
    {
        writer.Consume(*c);
    }
    ParamCount = writer.Finish();
    return true;
}

bool ParseArgumentList(bool listing)
{
    std::memset(EngineCommands, 0, ArgumentBlockBytes);
    EngineCommandCount = 0;
    LaunchOptions.PreloadMode = 0;
    std::size_t textOffset = 0;
    if (listing)
    {
        RaiseLogDepth();
    }

    for (uint32_t i = 0; i < ParamCount; ++i)
    {
        const char* parameter = ParamsArray[i];
        char name[kParameterNameCapacity];
        char value[kParameterValueCapacity];
        SplitParameter(parameter, name, value);

        const char* description = nullptr;
        if (const ArgumentEntry* entry = FindSwitch(name))
        {
            if (entry->option == nullptr)
            {
                return false; // help: nothing after it is read
            }
            SwitchOption& option = LaunchOptions.*(entry->option);
            option.Set = true;
            if (entry->keepsValue && value[0] != '\0')
            {
                CopyToBuffer(option.Value, sizeof(option.Value), value);
            }
            description = entry->description;
        }
        else if (name[0] == '-')
        {
            description = kUnrecognizedDescription;
        }
        else
        {
            AddEngineCommand(name, textOffset);
            description = kEngineCommandDescription;
        }

        if (listing)
        {
            DebugLogAt(kLogDeveloper, "Arg %d: [%s]\tName=[%s] Value=[%s]\t%s", static_cast<int>(i),
                       parameter, name, value, description);
        }
    }

    if (listing)
    {
        DebugLogAt(kLogDeveloper, "There are %d rating engine commands on the command line.",
                   static_cast<int>(EngineCommandCount));
        LowerLogDepth();
    }
    return true;
}

bool HasEngineCommand(const char* word)
{
    for (uint32_t i = 0; i < EngineCommandCount; ++i)
    {
        if (AnsiEqualsIgnoreCase(EngineCommands[i], word))
        {
            return true;
        }
    }
    return false;
}

void JoinEngineCommands(char separator, char* destination, std::size_t capacity)
{
    const char separatorText[2] = {separator, '\0'};
    destination[0] = '\0';
    for (uint32_t i = 0; i < EngineCommandCount; ++i)
    {
        if (i > 0)
        {
            AppendToBuffer(destination, capacity, separatorText);
        }
        AppendToBuffer(destination, capacity, EngineCommands[i]);
    }
}
