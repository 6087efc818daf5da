// The host's code page: single-byte by default; a test may switch on a
// double-byte code page whose lead bytes are those of Shift-JIS.
#pragma once

namespace host_ansi_text
{
void UseDoubleByteCodePage(bool enabled);

// The double-byte code page for as long as it lives.
class DoubleByteCodePage
{
  public:
    DoubleByteCodePage() { UseDoubleByteCodePage(true); }
    ~DoubleByteCodePage() { UseDoubleByteCodePage(false); }
    DoubleByteCodePage(const DoubleByteCodePage&) = delete;
    DoubleByteCodePage& operator=(const DoubleByteCodePage&) = delete;
};
} // namespace host_ansi_text
