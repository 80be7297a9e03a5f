// The screen framework's hot paths: a pointer move through a tree the size of
// a real screen set, and a full repaint of pages with buttons and text.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "wlib/IButton.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"
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

} // namespace
