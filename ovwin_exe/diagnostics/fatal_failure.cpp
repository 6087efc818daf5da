#include "diagnostics/fatal_failure.h"

#include <cstdlib>

namespace
{
FatalFailureHandler fatalFailureHandler = nullptr;
} // namespace

void SetFatalFailureHandler(FatalFailureHandler handler)
{
    fatalFailureHandler = handler;
}

void ReportFatalFailure()
{
    if (fatalFailureHandler != nullptr)
    {
        fatalFailureHandler();
    }
    std::abort();
}
