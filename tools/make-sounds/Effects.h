// The seven sound effects of the play screen, synthesised: each is a mono
// sound at kEffectRate Hz, samples -1 .. 1, starting and ending at silence.
#pragma once

#include <string>
#include <vector>

namespace MakeSounds {

constexpr int kEffectRate = 22050;

std::vector<double> MakeRotate();
std::vector<double> MakeHitBottom();
std::vector<double> MakeDrop();
std::vector<double> MakeRemove();
std::vector<double> MakeNewLevel();
std::vector<double> MakeGameOver();
std::vector<double> MakeClap(); // applause: many hands, noise bursts

} // namespace MakeSounds
