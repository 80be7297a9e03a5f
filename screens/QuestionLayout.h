// Where the question box and its parts lie, and its captions: the box and
// the skin generator, which paints its pictures, share them.
#pragma once

#include <cstdint>

namespace WFourfall {

// The box and its parts (x, y, width, height): the box in window pixels, its
// parts relative to the box, whose pictures "Skin\Question.jpg" and
// "Skin\Question_.jpg" are as large as the box.
struct TQuestionLayout {
    static constexpr int32_t kBox[4] = {170, 210, 460, 180};
    static constexpr int32_t kYes[4] = {90, 114, 130, 46};
    static constexpr int32_t kNo[4] = {240, 114, 130, 46};
    static constexpr int32_t kText[4] = {100, 22, 340, 80};
    static constexpr int32_t kTextHeight = 20;
};
constexpr const char* kQuestionCaptions[2] = {"Yes", "No"};

} // namespace WFourfall
