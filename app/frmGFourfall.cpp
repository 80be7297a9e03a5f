#include "app/frmGFourfall.h"

#include "platform/DataFolder.h"
#include "platform/DesignPath.h"
#include "wlib/App.h"
#include "wlib/Events.h"

namespace TumbletownApp {

using namespace WLib;

#if !TUMBLETOWN_HAS_SCREENS
void TMenuPreviewPages::InitPages(const std::string& dataFolder)
{
    auto path = [&dataFolder](const char* name) { return Platform::ResolveDesignPath(dataFolder, name); };
    TBitmap plain, highlighted;
    plain.LoadJpegFile(path("Skin\\Menu.jpg").c_str());
    highlighted.LoadJpegFile(path("Skin\\Menu_.jpg").c_str());
    Mouse.Image.LoadJpegFile(path("Skin\\Mouse.jpg").c_str());
    Mouse.Mask.LoadBmpFile(path("Skin\\Mouse.bmp").c_str());
    TApp::Insert(&Mouse, this);
    TApp::Insert(&Menu, this);
    Menu.Background = plain;
    TApp::Insert(&Exit, &Menu);
    TApp::SetBounds(&Exit, 236, 406, 69, 332);
    Exit.Images.Make(plain, highlighted);
    Exit.ClickCode = evQuit;
}
#endif

TfrmGFourfall::TfrmGFourfall() : TGameForm(Pages) {}

TfrmGFourfall::~TfrmGFourfall() = default;

void TfrmGFourfall::InitPages()
{
    if (DataFolder.empty())
        DataFolder = Platform::FindDataFolder();
    Question.SetOwner(Window().Handle());
#if TUMBLETOWN_HAS_SCREENS
    Pages.Services.DataFolder = DataFolder;
    Pages.Services.Question = &Question;
    Pages.Services.Browser = &Browser;
    Pages.InitPages();
#else
    Pages.InitPages(DataFolder);
#endif
}

} // namespace TumbletownApp
