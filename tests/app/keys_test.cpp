// The key table in-process: commands by key, and the time scale through the keys that change it.
#include "app/keys.h"

#include <cctype>
#include <gtest/gtest.h>

TEST(KeyTable, TenSlowerOrFasterKeysScaleTimeExactly)
{
    for (const unsigned char key : {',', '<', '.', '>'})
    {
        float timeScale = 1.0f; // as the program starts
        for (int i = 0; i < 10; ++i)
            timeScale = timeScaleAfter(commandForKey(key), timeScale); // as handleKey does
        EXPECT_EQ(timeScale, key == ',' || key == '<' ? 0.0009765625f : 1024.0f) << key;
    }
    EXPECT_EQ(timeScaleAfter(commandForKey('T'), 0.5f), 0.5f);
}

TEST(KeyTable, LettersActInEitherCaseAndOtherKeysDoNothing)
{
    int keysWithACommand = 0;
    for (int key = 0; key < 256; ++key)
    {
        const auto k = static_cast<unsigned char>(key);
        keysWithACommand += commandForKey(k) != Command::None ? 1 : 0;
        const auto upper = static_cast<unsigned char>(std::toupper(key));
        EXPECT_EQ(commandForKey(k), commandForKey(upper)) << k;
    }
    // SPACE, "," "<" "." ">", and C H M N P S T X Z in both cases.
    EXPECT_EQ(keysWithACommand, 23);
}
