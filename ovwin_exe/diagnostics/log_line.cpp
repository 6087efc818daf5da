#include "diagnostics/log_line.h"

#include "foundation/text_limits.h"

namespace
{
std::size_t Indentation(int depth)
{
    return depth > 0 ? static_cast<std::size_t>(depth) * kLogIndentWidth : 0;
}

std::string Prefix(const LogTimestamp& stamp, const char* tag, std::size_t indentation)
{
    std::string line;
    line.reserve(kLogMessageColumn + indentation);
    line.append(stamp.Date).append(" ").append(stamp.Time).append(" OVWIN ").append(tag).append(" ");
    line.append(indentation, ' ');
    return line;
}

// Keeps a line within the 2048-byte line buffer of error lines.
std::string FitLineBuffer(const std::string& prefix, const std::string& message)
{
    const std::size_t room = kMessageCapacity - 1;
    if (prefix.size() + message.size() <= room)
    {
        return prefix + message;
    }
    const std::string mark(kLogTruncationMark);
    const std::size_t keep = prefix.size() + mark.size() < room ? room - prefix.size() - mark.size() : 0;
    return prefix + message.substr(0, keep) + mark;
}
} // namespace

const char* DebugTagForLevel(int level)
{
    return level >= 100 ? kDeveloperTag : kDebugTag;
}

std::string ShortenDebugMessage(const std::string& message)
{
    if (message.size() < kLogLongMessage)
    {
        return message;
    }
    return message.substr(0, kLogShortenedKeep) + kLogTruncationMark;
}

std::string BuildDebugLine(const LogTimestamp& stamp, const char* tag, int depth, const std::string& message)
{
    return Prefix(stamp, tag, Indentation(depth)) + message;
}

std::vector<std::string> WrapDebugLine(const std::string& fullLine, int depth, std::size_t messageLength)
{
    const std::size_t indentation = Indentation(depth);
    if (messageLength + indentation <= kLogWrapWidth)
    {
        return {fullLine};
    }

    std::vector<std::string> lines;
    // The first physical line: the prefix and at most 120 message characters,
    // cut at the last space they hold (the prefix always holds one).
    const std::size_t firstSpan = kLogMessageColumn + indentation + kLogWrapWidth;
    const std::string head = fullLine.substr(0, firstSpan);
    const std::size_t cut = head.rfind(' ');
    lines.push_back(fullLine.substr(0, cut));

    const std::string continuation(kLogMessageColumn + indentation, ' ');
    std::size_t position = cut + 1;
    while (fullLine.size() - position > kLogWrapWidth)
    {
        const std::string piece = fullLine.substr(position, kLogWrapWidth);
        const std::size_t lastSpace = piece.rfind(' ');
        const std::size_t taken = lastSpace == std::string::npos ? kLogWrapWidth : lastSpace + 1;
        lines.push_back(continuation + piece.substr(0, taken));
        position += taken;
    }
    if (position < fullLine.size())
    {
        lines.push_back(continuation + fullLine.substr(position));
    }
    return lines;
}

std::string BuildErrorLogLine(const LogTimestamp& stamp, const std::string& message)
{
    // "%s %s OVWIN %s %s %s" with an empty fourth field: two spaces.
    std::string prefix = Prefix(stamp, kErrorTag, 0) + " ";
    return FitLineBuffer(prefix, message);
}

std::string BuildErrorDebugLine(const LogTimestamp& stamp, int depth, const std::string& message)
{
    return FitLineBuffer(Prefix(stamp, kErrorTag, Indentation(depth)), message);
}
