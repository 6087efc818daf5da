// The launcher's command line: split into parameters by the launcher's own
// rules, then read as switches and engine commands.
#pragma once

#include "foundation/text_limits.h"

#include <cstddef>
#include <cstdint>

// Both argument blocks are ArgumentBlockSize(length of the argument text)
// bytes, allocated zero-filled by the caller:
//  - ParamsArray: a null-ended table of parameter pointers, then, from
//    ParamsTextOffset(length), the parameter texts;
//  - EngineCommands: ParamCount pointers, then the engine command texts.
extern char** ParamsArray;
extern uint32_t ParamCount;
extern char** EngineCommands;
extern uint32_t EngineCommandCount;
extern std::size_t ArgumentBlockBytes; // the size both blocks were given

std::size_t ArgumentBlockSize(std::size_t textLength);
std::size_t ParamsTextOffset(std::size_t textLength);

constexpr std::size_t kParameterNameCapacity = 32;   // 31 characters
constexpr std::size_t kParameterValueCapacity = 260; // 259 characters
constexpr std::size_t kArgumentTextLimit = 259;      // longer texts are not kept in CommandLine

// Keeps the argument text in LaunchOptions.CommandLine when it fits.
void KeepCommandLine(const char* text);

// Splits the argument text into ParamsArray: a leading hyphen marks a switch
// and is dropped, and a quoted word right after a switch that stands first
// on the line becomes that switch's value. Always true.
bool ConvertCmdToArgv(const char* text);

// Reads every parameter as a switch of the argument table or an engine
// command (kept in capitals in EngineCommands), and sets the switches of
// LaunchOptions. With listing, each parameter is logged at level 100. Stops
// at the help switch and returns false; true otherwise.
[[nodiscard]] bool ParseArgumentList(bool listing);

// True when some engine command equals the word, letter case ignored.
[[nodiscard]] bool HasEngineCommand(const char* word);

// The engine commands in their order, separated by the separator, in a
// buffer of the given capacity (a command that does not fit is cut).
void JoinEngineCommands(char separator, char* destination, std::size_t capacity);

// The help box's text and caption.
extern const char* const kHelpText;
extern const char* const kHelpCaption;
