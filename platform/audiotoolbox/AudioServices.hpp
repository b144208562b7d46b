// System sounds. Nothing is heard on the simulated device: each sound played is recorded, in
// order, for the host to read. Safe from any thread. No sound files, completions or vibration.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using SystemSoundID = uint32_t;

void AudioServicesPlaySystemSound(SystemSoundID soundID);

// For the host and tests: the sounds played so far, oldest first. Only the most recent
// maximumRecordedSystemSounds are kept, so a long run doesn't grow without bound.
inline constexpr size_t maximumRecordedSystemSounds = 65536;
std::vector<SystemSoundID> AudioServicesPlayedSystemSounds();
void AudioServicesResetPlayedSystemSounds();
