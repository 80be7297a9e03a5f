// The player's controls: the key of each play action and the game's own key
// repeat, kept in the settings store as values of the options key.
#pragma once

#include <cstdint>

// The play actions, in the order the controls page lists them.
enum TPlayAction : int {
    paLeft,
    paRight,
    paTurn,
    paDrop,
    paDown, // one row down
    paPause,
    paCount,
    paNone = -1,
};

// Value names of the keys in the options key, in action order.
extern const char* const kControlValueNames[paCount];
constexpr const char* kRepeatDelayValue = "RepeatDelay";
constexpr const char* kRepeatRateValue = "RepeatRate";

// Key repeat bounds: a stored value outside them is damaged.
constexpr int32_t kMinRepeatDelayMs = 50;
constexpr int32_t kMaxRepeatDelayMs = 1000;
constexpr int32_t kMinRepeatRateMs = 10;
constexpr int32_t kMaxRepeatRateMs = 500;

struct TControls {
    // Virtual-key codes (1 to 255), no two alike: Left, Right, Up, Down,
    // Ctrl, P by default.
    int32_t Keys[paCount];
    // Held Left, Right or one-row-down repeat first after RepeatDelayMs, then
    // every RepeatRateMs. Quick enough to cross the well in about a third of
    // a second, slow enough that a tap moves one column at level 1.
    int32_t RepeatDelayMs = 170;
    int32_t RepeatRateMs = 50;

    TControls();
    // The design's keys and repeat.
    void SetDefaults();
    // The action of a key, paNone when it has none. Besides the chosen keys,
    // Space drops, and a gamepad's buttons do what they are made for (see
    // PadAction).
    TPlayAction ActionOf(int32_t key) const;
    // Gives the key to the action; an action that had it before takes the
    // action's old key, so that no key does two things and none is lost.
    // False (and no change) for a code outside 1 to 255 or an action outside
    // the list.
    bool Assign(TPlayAction action, int32_t key);
    // Whether every key is in 1 to 255, no two alike, and the repeat within
    // its bounds.
    bool Valid() const;
};

// A gamepad button's play action, whatever keys were chosen: the D-pad moves
// (Up drops), A turns, B drops, Start pauses. paNone for other codes.
TPlayAction PadAction(int32_t key);

// Reads the keys and repeat from the options key. Values missing, not a
// number, out of range or giving one key to two actions are damaged: then
// every key goes back to the defaults (the repeat likewise, on its own).
// Silent on failure, leaving the defaults.
void LoadControls(TControls& controls);
// Writes the keys and repeat; other values of the key are kept.
void SaveControls(const TControls& controls);
