// The trace window's text arithmetic: when gathered lines go to the control,
// how much old text goes, and the copy for standard output.
#include "tools/trace/window/text_batch.h"

#include <gtest/gtest.h>

TEST(TextBatch, KeepsAtLeastFourOfTheLongestLines)
{
    EXPECT_EQ(400u, TextBatch(100, 100).Keep());
    EXPECT_EQ(1000u, TextBatch(1000, 100).Keep());
    EXPECT_EQ(1200u, TextBatch(1000, 100).ControlLimit());
}

TEST(TextBatch, FlushesAndDropsByItsBounds)
{
    // keep 1000: a quarter is 250, three quarters 750.
    static const struct {
        size_t pending;
        size_t controlLength;
        bool mustFlush;
        size_t dropAtLeast;
    } CASES[] = {
        {0, 0, false, 0},       {249, 0, false, 0},
        {250, 0, true, 0},      // a quarter waits
        {100, 900, false, 0},   // exactly the bound still fits
        {101, 900, true, 251},  // past it: down to three quarters
        {10, 1000, true, 260},  {249, 1000, true, 499},
        {1200, 100, true, 100},  // never more than the control holds
    };
    for (const auto& c : CASES) {
        TextBatch batch(1000, 100);
        batch.Add(std::string(c.pending, 'x').c_str(), false);
        EXPECT_EQ(c.mustFlush, batch.MustFlush(c.controlLength)) << c.pending << " + " << c.controlLength;
        EXPECT_EQ(c.dropAtLeast, batch.DropAtLeast(c.controlLength)) << c.pending << " + " << c.controlLength;
    }
}

TEST(TextBatch, CrLfOnlyBetweenLinesAndEachLineCopiedOnce)
{
    TextBatch batch(1000, 100);
    for (const char* text : {"\r\n", "one", "\r\n", "two"})
        batch.Add(text, true);
    EXPECT_EQ("one\ntwo\n", batch.TakeCopy());
    EXPECT_EQ("", batch.TakeCopy());
    EXPECT_EQ("one\r\ntwo", batch.TakeForControl(0));
    EXPECT_EQ(0u, batch.Pending());

    batch.Add("\r\n", false);
    batch.Add("three", false);
    EXPECT_EQ("", batch.TakeCopy()) << "not copied";
    EXPECT_EQ("\r\nthree", batch.TakeForControl(5));
}
