// The screen framework's hot paths: a pointer move through a tree the size of
// a real screen set, and a full repaint of pages with buttons and text.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "tests/wlib/SkinPictures.h"
#include "wlib/IButton.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"
#include "wlib/Text.h"
#include "wlib/Timer.h"

using namespace WLib;

namespace {

// A page set of 60 elements: the page set, the cursor, 4 pages with 13
// buttons each in rows of the 800 x 600 area, and two timers on one page.
struct TSixtyElements {
    static constexpr int kPages = 4;
    static constexpr int kButtonsPerPage = 13;

    TTestHost Host;
    TScrPages Pages;
    TMouse Cursor;
    TScrPage Page[kPages];
    TIButton Button[kPages][kButtonsPerPage];
    TTimer Timer[2];

    TSixtyElements()
    {
        Host.Attach(Pages);
        TApp::Insert(&Cursor, &Pages);
        for (int p = 0; p < kPages; ++p) {
            TApp::Insert(&Page[p], &Pages);
            for (int b = 0; b < kButtonsPerPage; ++b) {
                TApp::Insert(&Button[p][b], &Page[p]);
                TApp::SetBounds(&Button[p][b], 40 + (b % 4) * 180, 40 + (b / 4) * 120, 60, 150);
            }
        }
        TApp::Insert(&Timer[0], &Page[0]);
        TApp::Insert(&Timer[1], &Page[0]);
        Host.Start();
    }
    int Count() const
    {
        int n = 0;
        CountFrom(&Pages, n);
        return n;
    }
    static void CountFrom(const TApp* e, int& n)
    {
        ++n;
        for (const TApp* c = e->FirstChild; c != nullptr; c = c->Next)
            CountFrom(c, n);
    }
};

void BM_RawMouseMoveThroughSixtyElements(benchmark::State& state)
{
    auto tree = std::make_unique<TSixtyElements>();
    if (tree->Count() != 60) {
        state.SkipWithError("the tree is not 60 elements");
        return;
    }
    // Alternate between a button and the space between buttons, so every move
    // enters or leaves one button and repaints.
    bool inside = false;
    for (auto _ : state) {
        inside = !inside;
        tree->Pages.MouseMove(inside ? 100 : 20, inside ? 60 : 20);
    }
    benchmark::DoNotOptimize(tree->Host.RepaintRequests());
}
BENCHMARK(BM_RawMouseMoveThroughSixtyElements);

// Two full-window pages, the front one with ten image buttons and a text
// block, each button showing its region of the plain or the lit picture.
struct TTwoPagesWithButtons {
    static constexpr int kButtons = 10;

    TTestHost Host;
    TScrPages Pages;
    TMouse Cursor;
    TScrPage Back, Front;
    TIButton Button[kButtons];
    TText Text;
    TBitmap Plain, Lit, CursorImage, CursorMask;

    TTwoPagesWithButtons()
    {
        WLibTest::MakeFilledBitmap(Plain, 800, 600, 0x0010);
        WLibTest::MakeFilledBitmap(Lit, 800, 600, 0xFFE0);
        WLibTest::MakeArrowCursor(Cursor.Image, Cursor.Mask, 24, 0xFFFF);
        Host.Attach(Pages);
        TApp::Insert(&Cursor, &Pages);
        TApp::Insert(&Back, &Pages);
        Back.Background = Plain;
        TApp::Insert(&Front, &Pages);
        Front.Background = Plain;
        TIButtonBase images;
        images.Make(Plain, Lit);
        for (int i = 0; i < kButtons; ++i) {
            TApp::Insert(&Button[i], &Front);
            TApp::SetBounds(&Button[i], 40 + (i % 2) * 380, 40 + (i / 2) * 100, 80, 340);
            images.Apply(1, {&Button[i]});
        }
        Button[3].Selected = 1;
        TApp::Insert(&Text, &Front);
        TApp::SetBounds(&Text, 40, 540, 50, 720);
        Text.SetText("Rows of falling blocks vanish when they are full; every ten rows the level goes up.");
        Host.Start();
        Pages.MouseMove(200, 70); // over the first button: lit, with the cursor on it
        Host.Paint();             // the first paint lays the text out
    }
};

void BM_PaintTreeTwoPagesTenButtonsAndText(benchmark::State& state)
{
    auto screen = std::make_unique<TTwoPagesWithButtons>();
    for (auto _ : state)
        screen->Pages.PaintTree();
    benchmark::DoNotOptimize(screen->Host.Pixel(200, 70));
}
BENCHMARK(BM_PaintTreeTwoPagesTenButtonsAndText)->Unit(benchmark::kMicrosecond);

} // namespace
