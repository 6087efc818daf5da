// The logged heap and handle helpers and their owners.
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <string>

namespace
{
using HeapHelpers = WinLogTest;

std::string P(const void* pointer)
{
    return PointerText(pointer);
}
} // namespace

TEST_F(HeapHelpers, NamedBlockIsAllocatedZeroedAndReleasedOnce)
{
    char* block = nullptr;
    ASSERT_TRUE(HeapAllocHlpr(&block, 64, "pSD"));
    for (int i = 0; i < 64; ++i)
    {
        ASSERT_EQ(block[i], 0);
    }
    const std::string address = P(block);
    const std::string where = P(&block);
    HeapFreeHlpr(&block, "pSD");
    EXPECT_TRUE(IsReleasedMarker(block));
    HeapFreeHlpr(&block, "pSD");
    EXPECT_EQ(
        DebugLines(),
        (std::vector<std::string>{
            "DEBUG X  HeapAllocHlpr: Arg pointer = " + P(nullptr) + " (" + where + ").",
            "DEBUG X  HeapAllocHlpr: Allocated 64 byte(s) of heap memory for pSD at address " + address + ".",
            "DEBUG X  HeapFreeHlpr: Arg pointer = " + address + " (" + where + ").",
            "DEBUG X  HeapFreeHlpr: Freeing heap allocated memory for pSD at address " + address + " (" +
                where + ")",
            "DEBUG X  HeapFreeHlpr: Arg pointer = " + P(INVALID_HANDLE_VALUE) + " (" + where + ").",
            "DEBUG X  HeapFreeHlpr: Allocated memory for pSD is already free. "
            "(INVALID_HANDLE_VALUE): " +
                P(INVALID_HANDLE_VALUE) + " (" + where + ")"}));
    EXPECT_EQ(ErrorCount, 0u);
}

TEST_F(HeapHelpers, NullVariableAddressesAndImpossibleSizesAreErrors)
{
    EXPECT_FALSE(HeapAllocHlpr(static_cast<void**>(nullptr), 8, "ParamsArray"));
    HeapFreeHlpr(static_cast<void**>(nullptr), nullptr);
    void* block = nullptr;
    EXPECT_FALSE(HeapAllocHlpr(&block, 0x7FFFFFFFFFFF0000ull, "Huge"));
    EXPECT_EQ(block, nullptr);
    const std::vector<std::string> errors = ErrorLines();
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0],
              "ERROR !!  HeapAllocHlpr: Pointer to be used for memory allocation for ParamsArray is "
              "invalid. (nullptr)");
    EXPECT_EQ(errors[1], "ERROR !!  HeapFreeHlpr: Pointer to allocated memory is invalid. (nullptr)");
    EXPECT_EQ(errors[2].rfind("ERROR !!  HeapAllocHlpr: Failed to allocate heap memory for Huge (size "
                              "requested=-65536); [WIN32 0x",
                              0),
              0u)
        << errors[2];
    EXPECT_TRUE(HasDebugLine("DEBUG X  HeapFreeHlpr: Arg pointer = nullptr."));
}

TEST_F(HeapHelpers, HandleIsClosedOnceAndThenReportedFree)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    const std::string value = P(event);
    const std::string where = P(&event);
    CloseAndDestroyHandle(&event, "hEvent");
    EXPECT_EQ(event, INVALID_HANDLE_VALUE);
    CloseAndDestroyHandle(&event, "hEvent");
    EXPECT_EQ(DebugLines(),
              (std::vector<std::string>{"DEBUG X  CloseAndDestroyHandle: Closing hEvent=" + value + " (" +
                                            where + ")",
                                        "DEBUG X  CloseAndDestroyHandle: Handle hEvent is already free. "
                                        "(INVALID_HANDLE_VALUE): " +
                                            P(INVALID_HANDLE_VALUE) + " (" + where + ")"}));
}
