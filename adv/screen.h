#pragma once
// The engine's window and frame rate, the same for every game.
namespace adv {

inline constexpr int screenWidth = 640;
inline constexpr int screenHeight = 480;
inline constexpr int framesPerSecond = 30;

}  // namespace adv
