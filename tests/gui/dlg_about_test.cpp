#include "dialogs/about_dlg.h"
#include "dlg_test_util.h"

#include <wx/stattext.h>

namespace {

using dlgtest::Click;

TEST(AboutDlg, ShowsTheVersionAndClosesWithOk) {
    CAboutDlg dlg(nullptr);
    wxString version, copyright;
    dlg.CallAfter([&] {
        version = static_cast<wxStaticText*>(dlg.FindWindow(CAboutDlg::IDC_VERSION))->GetLabelText();
        copyright = static_cast<wxStaticText*>(dlg.FindWindow(CAboutDlg::IDC_COPYRIGHT))->GetLabelText();
        Click(&dlg, wxID_OK);
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
    EXPECT_EQ(dlg.GetTitle(), "Version Information of Corvane for Windows");
    EXPECT_EQ(version, "Corvane for Windows Ver.1.08");
    EXPECT_TRUE(copyright.StartsWith("Copyright"));
}

} // namespace
