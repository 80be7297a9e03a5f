// Where everything sits on the 800 x 600 pages: every rectangle the screens
// place, as x, y, width and height, the way the design gives them. The
// screens place their elements with these, the skin generator paints its
// pictures to them and the tests look for pixels inside them, so a button
// and its picture cannot drift apart. Values only: no other layer is used.
#pragma once

namespace WFourfall {

// A rectangle as the pages give them: left, top, width, height. (The
// framework's WLib::TRect is left, top, right, bottom.)
struct TBox {
    int X = 0, Y = 0, W = 0, H = 0;
    constexpr int Right() const { return X + W; }
    constexpr int Bottom() const { return Y + H; }
};

constexpr int kPageWidth = 800;
constexpr int kPageHeight = 600;

// Main menu: New Game, Options, High Scores, Help, Exit, top to bottom.
constexpr int kMenuButtonCount = 5;
constexpr TBox kMenuButtons[kMenuButtonCount] = {
    {236, 125, 332, 69}, {236, 195, 332, 69}, {236, 266, 332, 69}, {236, 336, 332, 69}, {236, 406, 332, 69},
};

// Game type: Fourfall, Fivefall, Color Fourfall, Crazy Fourfall, then Back;
// and the description of the game type under the pointer.
constexpr int kGameTypeButtonCount = 5;
constexpr TBox kGameTypeButtons[kGameTypeButtonCount] = {
    {239, 180, 326, 67}, {239, 247, 326, 67}, {239, 314, 326, 67}, {239, 381, 326, 67}, {281, 481, 239, 55},
};
constexpr TBox kGameTypeDescription{581, 210, 188, 206};
// Beside the design's five: the way to the further game types, right of
// Back on the same row, under the description.
constexpr TBox kGameTypeMore{581, 481, 188, 55};
// The little well on the left that shows a game of the type under the
// pointer going on.
constexpr TBox kGameTypeDemo{50, 190, 144, 256};

// More games: Kids Fourfall, Kids Fivefall, Crazy Fivefall, Grand Fourfall,
// Grand Fivefall, then Back where the game type page has it; the description
// where the game type page has it, and the little well on the left that
// shows a game of the type under the pointer.
constexpr int kMoreGamesButtonCount = 6;
constexpr TBox kMoreGamesButtons[kMoreGamesButtonCount] = {
    {239, 160, 326, 60}, {239, 222, 326, 60}, {239, 284, 326, 60},
    {239, 346, 326, 60}, {239, 408, 326, 60}, {281, 481, 239, 55},
};
constexpr TBox kMoreGamesDescription = kGameTypeDescription;
constexpr TBox kMoreGamesDemo = kGameTypeDemo;

// Options: for music, sound effects, background and next figure a switch
// and its settings (on and off; techno, nature and kids), then Back.
constexpr int kOptionsButtonCount = 14;
constexpr TBox kOptionsButtons[kOptionsButtonCount] = {
    {255, 192, 220, 40}, {477, 192, 57, 49},  {545, 192, 57, 49},  {255, 241, 220, 40}, {477, 241, 57, 49},
    {545, 241, 57, 49},  {255, 279, 220, 40}, {477, 290, 120, 30}, {477, 320, 120, 30}, {477, 350, 120, 30},
    {255, 387, 220, 40}, {477, 381, 57, 49},  {545, 381, 57, 49},  {281, 481, 239, 55},
};
// Below the design's rows: the landing shadow switch and its On and Off.
constexpr int kOptionsShadowButtonCount = 3;
constexpr TBox kOptionsShadowButtons[kOptionsShadowButtonCount] = {
    {255, 429, 220, 40}, {477, 431, 57, 49}, {545, 431, 57, 49}};

// Beside the design's Back, on the same row: the way to the controls page.
constexpr TBox kOptionsControls{581, 481, 188, 55};

// Left of the design's Back, on the same row: the way to the sound page.
constexpr TBox kOptionsSound{31, 481, 188, 55};

// Sound: the music and the effects volume, each a label, a step down, the
// value and a step up; below them the smooth sound switch and its On and
// Off; a line that says how to use the page; Back where every page has it.
constexpr int kSoundVolumeCount = 2; // music, then effects
constexpr TBox kSoundVolumeLabels[kSoundVolumeCount] = {{200, 170, 214, 44}, {200, 222, 214, 44}};
constexpr TBox kSoundVolumeDown[kSoundVolumeCount] = {{414, 170, 48, 44}, {414, 222, 48, 44}};
constexpr TBox kSoundVolumeValues[kSoundVolumeCount] = {{466, 178, 86, 28}, {466, 230, 86, 28}};
constexpr TBox kSoundVolumeUp[kSoundVolumeCount] = {{552, 170, 48, 44}, {552, 222, 48, 44}};
constexpr int kSoundSmoothButtonCount = 3; // the switch, On, Off
constexpr TBox kSoundSmoothButtons[kSoundSmoothButtonCount] = {
    {200, 296, 260, 44}, {466, 294, 64, 48}, {536, 294, 64, 48}};
constexpr TBox kSoundHint{60, 82, 680, 22};
constexpr TBox kSoundBack{281, 481, 239, 55};

// Controls: a row for each play action (left, right, turn, drop, one row
// down, pause) whose right part shows its key; under them the key repeat's
// delay and rate, each a label, a step down, the value and a step up; a line
// that says how to use the page; Back where every page has it and Defaults
// right of it.
constexpr int kControlsActionCount = 6;
constexpr TBox kControlsActions[kControlsActionCount] = {
    {200, 126, 400, 38}, {200, 167, 400, 38}, {200, 208, 400, 38},
    {200, 249, 400, 38}, {200, 290, 400, 38}, {200, 331, 400, 38},
};
// Where an action row shows its key, relative to the row.
constexpr TBox kControlsKeyCap{236, 8, 154, 22};
constexpr int kControlsRepeatCount = 2; // the delay, then the rate
constexpr TBox kControlsRepeatLabels[kControlsRepeatCount] = {{200, 380, 214, 38}, {200, 421, 214, 38}};
constexpr TBox kControlsRepeatDown[kControlsRepeatCount] = {{414, 380, 48, 38}, {414, 421, 48, 38}};
constexpr TBox kControlsRepeatValues[kControlsRepeatCount] = {{466, 385, 86, 28}, {466, 426, 86, 28}};
constexpr TBox kControlsRepeatUp[kControlsRepeatCount] = {{552, 380, 48, 38}, {552, 421, 48, 38}};
constexpr TBox kControlsHint{60, 82, 680, 22};
// The line under the page that says what the keys above do not: written by
// the page, since Space drops only while no action has it.
constexpr TBox kControlsFooter{0, 548, 800, 26};
constexpr TBox kControlsBack{281, 481, 239, 55};
constexpr TBox kControlsDefaults{581, 481, 188, 55};

// Help: the scrolled text and its three buttons.
constexpr TBox kHelpUp{75, 485, 122, 40};
constexpr TBox kHelpDown{201, 485, 122, 40};
constexpr TBox kHelpBack{535, 485, 200, 50};
constexpr TBox kHelpText{149, 190, 505, 286};

// High scores: the four game type tabs (Fourfall, Fivefall, Color Fourfall,
// Crazy Fourfall), Clear, World High Scores and Back; the list.
constexpr int kHighScoreButtonCount = 7;
// The tabs end where they always did, each wide enough for its caption in
// one size with room on both sides.
constexpr TBox kHighScoreButtons[kHighScoreButtonCount] = {
    {430, 160, 55, 17}, {488, 160, 54, 17},  {545, 160, 89, 17},  {637, 160, 93, 17},
    {17, 489, 246, 41}, {264, 489, 330, 41}, {595, 489, 192, 41},
};
constexpr TBox kHighScoreList{152, 183, 506, 287};
// The line that says what became of a result sent or a replay picked: under
// the list's frame, above the buttons.
constexpr TBox kHighScoreNotice{128, 462, 544, 24};
// The tabs of the five further game types (Kids Fourfall, Kids Fivefall,
// Crazy Fivefall, Grand Fourfall, Grand Fivefall): a second row above the
// first, ending where it ends, each wide enough for its caption in the first
// row's size.
constexpr int kHighScoreMoreTabCount = 5;
constexpr TBox kHighScoreMoreTabs[kHighScoreMoreTabCount] = {
    {236, 138, 92, 17}, {331, 138, 90, 17}, {424, 138, 98, 17}, {525, 138, 102, 17}, {630, 138, 100, 17},
};

// Play: the board (13 x 31 cells of 16 pixels), the next-figure preview, the
// score panel and the button back to the main menu.
constexpr TBox kPlayBoard{297, 46, 208, 496};
constexpr TBox kPlayPreview{638, 67, 107, 152};
constexpr TBox kPlayScorePanel{58, 79, 102, 146};
constexpr TBox kPlayMenuButton{14, 537, 239, 55};
// The ghost of a race, under the score panel: its well in 4-pixel cells.
constexpr TBox kPlayGhostPanel{44, 246, 130, 224};
// The words the play page writes itself, so that they follow the settings:
// the preview's heading above it and the panel's labels in its first, third
// and fifth rows, in each background's label colour (0xRRGGBB: techno,
// nature, kids). The skins keep only the frames.
constexpr TBox kPlayPreviewHeading{kPlayPreview.X - 8, kPlayPreview.Y - 42, kPlayPreview.W + 16, 28};
constexpr int kPlayHeadingHeight = 22;
constexpr int kPlayLabelHeight = 17;
constexpr unsigned kPlayLabelColours[3] = {0x7FF3FF, 0xF6E7B0, 0xFFF07A};
// The preview with its frame, heading and shadow: the play backgrounds' lit
// twins show the backdrop alone here, which the page shows instead when
// the preview is switched off.
constexpr TBox kPlayPreviewArea{606, 16, 172, 240};

// The yes/no question box, drawn over the page that asks: the box in window
// pixels, its parts (Yes, No, the question's text) relative to the box,
// whose pictures "Skin\Question.jpg" and "Skin\Question_.jpg" are as large
// as the box; and the height of the question's font.
constexpr TBox kQuestionBox{170, 210, 460, 180};
constexpr TBox kQuestionYes{90, 114, 130, 46};
constexpr TBox kQuestionNo{240, 114, 130, 46};
constexpr TBox kQuestionText{100, 22, 340, 80};
constexpr int kQuestionTextHeight = 20;

} // namespace WFourfall
