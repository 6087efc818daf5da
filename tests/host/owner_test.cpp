#include "foundation/owner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Every release as "name:value"; 0 is empty, as null is for handles.
std::vector<std::string> released;

struct Recorded
{
    using Value = int;
    Recorded(const char* variableName = "x") : name(variableName) {}
    static int Empty() { return 0; }
    void Release(int& value) const
    {
        released.push_back(std::string(name) + ":" + std::to_string(value));
        value = -1; // as the logged helpers leave their released marker
    }
    const char* name;
};
using RecordedOwner = Owner<Recorded>;

// Released also when never filled, as the logged handle helper reports an
// unfilled variable.
struct AlwaysReported : Recorded
{
    using Recorded::Recorded;
    static constexpr bool kReleaseWhenEmpty = true;
};
using ReportedOwner = Owner<AlwaysReported>;

class Owners : public ::testing::Test
{
  protected:
    void SetUp() override { released.clear(); }
};
} // namespace

TEST_F(Owners, GiveBackWhatTheyHoldOnceAndNothingWhenEmpty)
{
    {
        const RecordedOwner empty;
        const RecordedOwner key(7, "key");
        EXPECT_TRUE(key);
        EXPECT_FALSE(empty);
        EXPECT_EQ(key.Get(), 7);
    }
    EXPECT_EQ(released, std::vector<std::string>{"key:7"});

    RecordedOwner reused(1);
    reused.Reset(2); // gives back 1
    reused.Reset();  // gives back 2
    reused.Reset();  // finds nothing
    EXPECT_EQ(released, (std::vector<std::string>{"key:7", "x:1", "x:2"}));
}

TEST_F(Owners, MovingHandsTheValueOverWithItsTraits)
{
    {
        RecordedOwner source(5, "source");
        RecordedOwner target(std::move(source));
        EXPECT_FALSE(source);
        EXPECT_EQ(target.Get(), 5);

        RecordedOwner other(6, "other");
        other = std::move(target); // other's own value goes first
        EXPECT_EQ(released, std::vector<std::string>{"other:6"});
    }
    EXPECT_EQ(released, (std::vector<std::string>{"other:6", "source:5"}));
}

TEST_F(Owners, ReceiveGivesBackWhatWasHeldBeforeTheCallFillsTheVariable)
{
    {
        RecordedOwner owner(3);
        int* variable = owner.Receive();
        EXPECT_EQ(released, std::vector<std::string>{"x:3"});
        EXPECT_EQ(*variable, 0);
        *variable = 4;
    }
    EXPECT_EQ(released, (std::vector<std::string>{"x:3", "x:4"}));
}

TEST_F(Owners, ReportedOnesAreReleasedOnceEvenWhenNeverFilled)
{
    {
        const ReportedOwner unfilled("hToken");
        ReportedOwner filled("hFile");
        *filled.Receive() = 9; // filling an unfilled owner releases nothing
        EXPECT_TRUE(released.empty());
        ReportedOwner closedEarly("Input");
        closedEarly.Reset();
        ReportedOwner moved("moved");
        const ReportedOwner keeper(std::move(moved));
    }
    EXPECT_EQ(released, (std::vector<std::string>{"Input:0", "moved:0", "hFile:9", "hToken:0"}));
}
