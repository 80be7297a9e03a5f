// The viewer's functions as the page's script calls them in the WebAssembly
// module: plain C names and types, over one TReplayView. The script copies a
// replay's bytes into the module's memory, loads it, asks for the operations'
// times once and then for states.
#pragma once

#include <cstdint>

extern "C" {

// Loads the replay of length bytes at text. The number of its operations, or
// -1 when it is not a replay (tt_why() says why).
int32_t tt_load(const char* text, int32_t length);
// Why the last tt_load failed ("" after one that did not).
const char* tt_why();
// The milliseconds of play at which operation k (0-based) came.
uint32_t tt_time(int32_t k);
// The loaded replay's game number, columns and rows.
int32_t tt_game();
int32_t tt_columns();
int32_t tt_rows();
// The state after the first n operations as TReplayView::StateAt writes it;
// valid until the next call.
const char* tt_state(int32_t n);
}
