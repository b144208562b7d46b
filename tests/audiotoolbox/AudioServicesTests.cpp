#include <audiotoolbox/AudioServices.hpp>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

// Catches sounds lost, reordered or duplicated, as the host checks 1519 before 1504.
TEST(AudioServices, SoundsRecordedInOrder)
{
    AudioServicesResetPlayedSystemSounds();
    AudioServicesPlaySystemSound(1519);
    AudioServicesPlaySystemSound(1504);
    AudioServicesPlaySystemSound(1519);
    EXPECT_EQ(AudioServicesPlayedSystemSounds(), (std::vector<SystemSoundID> { 1519, 1504, 1519 }));
    AudioServicesResetPlayedSystemSounds();
    EXPECT_TRUE(AudioServicesPlayedSystemSounds().empty());
}

// Catches a data race losing sounds played from several threads, or one thread's order broken.
TEST(AudioServices, ThreadsKeepTheirOwnOrder)
{
    AudioServicesResetPlayedSystemSounds();
    constexpr SystemSoundID perThread = 2000;
    std::vector<std::thread> threads;
    for (SystemSoundID base : { 0u, 100000u, 200000u })
        threads.emplace_back([base] {
            for (SystemSoundID i = 0; i < perThread; ++i)
                AudioServicesPlaySystemSound(base + i);
        });
    for (auto& thread : threads)
        thread.join();
    auto sounds = AudioServicesPlayedSystemSounds();
    ASSERT_EQ(sounds.size(), 3 * perThread);
    SystemSoundID next[3] = { 0, 100000, 200000 };
    for (auto sound : sounds) {
        auto& expected = next[sound / 100000];
        EXPECT_EQ(sound, expected);
        expected = sound + 1;
    }
}

// Catches the record growing without bound over a long run, or dropping the newest sounds.
TEST(AudioServices, KeepsOnlyTheMostRecent)
{
    AudioServicesResetPlayedSystemSounds();
    for (size_t i = 0; i < maximumRecordedSystemSounds + 10; ++i)
        AudioServicesPlaySystemSound(static_cast<SystemSoundID>(i));
    auto sounds = AudioServicesPlayedSystemSounds();
    ASSERT_EQ(sounds.size(), maximumRecordedSystemSounds);
    EXPECT_EQ(sounds.front(), 10u);
    EXPECT_EQ(sounds.back(), maximumRecordedSystemSounds + 9);
}
