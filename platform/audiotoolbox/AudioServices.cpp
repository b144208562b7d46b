#include <audiotoolbox/AudioServices.hpp>

#include <deque>
#include <mutex>

namespace {

std::mutex s_lock;

// Never destroyed: sounds may still be played while the process exits.
std::deque<SystemSoundID>& playedSounds()
{
    static auto* sounds = new std::deque<SystemSoundID>;
    return *sounds;
}

}

void AudioServicesPlaySystemSound(SystemSoundID soundID)
{
    std::lock_guard guard(s_lock);
    auto& sounds = playedSounds();
    if (sounds.size() >= maximumRecordedSystemSounds)
        sounds.pop_front();
    sounds.push_back(soundID);
}

std::vector<SystemSoundID> AudioServicesPlayedSystemSounds()
{
    std::lock_guard guard(s_lock);
    const auto& sounds = playedSounds();
    return { sounds.begin(), sounds.end() };
}

void AudioServicesResetPlayedSystemSounds()
{
    std::lock_guard guard(s_lock);
    playedSounds().clear();
}
