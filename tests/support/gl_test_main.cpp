// Entry point of the GL test binaries: GoogleTest's, kept apart so the window is made lazily.
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
