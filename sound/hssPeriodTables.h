// Constant tables of the module player (periods, vibrato sine) and the
// per-rate tables a speaker builds when it opens (NoteOf, Step).
#pragma once

#include <cstdint>

constexpr uint32_t kHssFinetunes = 16;
constexpr uint32_t kHssNotes = 84;           // 7 octaves of 12 notes
constexpr uint32_t kHssMaxPeriod = 1712;     // longest period of the table
constexpr uint32_t kHssPeriodSlots = 1713;   // NoteOf and Step cover periods 0 to 1712
constexpr uint32_t kHssPaulaClock = 7159090; // twice the 3579545 Hz reference clock

// kHssPeriods[f][n]: period of note n at finetune row f (rows 0 to 7 are
// finetune 0 to +7, rows 8 to 15 finetune -8 to -1).
extern const uint16_t kHssPeriods[kHssFinetunes][kHssNotes];
extern const uint8_t kHssSine[32];

// noteOf[p]: the column of row 0 nearest to period p (ties to the longer period).
void hssBuildNoteOf(uint16_t noteOf[kHssPeriodSlots]);
// step[p]: 16.16 sample increment per output frame for period p; step[0] = 0.
void hssBuildStep(uint32_t step[kHssPeriodSlots], uint32_t outputRate);
