#include "dialogs/updown_ctrl.h"

#include <wx/dcbuffer.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/spinbutt.h>

#include <algorithm>

namespace {

constexpr int kFirstDelayMs = 400;
constexpr int kRepeatMs = 60;

} // namespace

CUpDownCtrl::CUpDownCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE), m_repeat(this) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CUpDownCtrl::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CUpDownCtrl::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &CUpDownCtrl::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &CUpDownCtrl::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CUpDownCtrl::OnCaptureLost, this);
    Bind(wxEVT_TIMER, &CUpDownCtrl::OnRepeat, this);
}

void CUpDownCtrl::SetRange(int low, int high) {
    m_low = low;
    m_high = std::max(low, high);
    m_value = std::clamp(m_value, m_low, m_high);
    Refresh();
}

void CUpDownCtrl::SetValue(int value) {
    m_value = std::clamp(value, m_low, m_high);
    Refresh();
}

void CUpDownCtrl::Step(int delta) {
    const int next = std::clamp(m_value + delta, m_low, m_high);
    if (next == m_value) return;
    m_value = next;
    wxSpinEvent step(delta > 0 ? wxEVT_SPIN_UP : wxEVT_SPIN_DOWN, GetId());
    step.SetEventObject(this);
    step.SetPosition(m_value);
    GetEventHandler()->ProcessEvent(step);
    wxSpinEvent moved(wxEVT_SPIN, GetId());
    moved.SetEventObject(this);
    moved.SetPosition(m_value);
    GetEventHandler()->ProcessEvent(moved);
}

wxSize CUpDownCtrl::DoGetBestSize() const {
    return FromDIP(wxSize(18, 28));
}

void CUpDownCtrl::OnPaint(wxPaintEvent& /*event*/) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    const wxSize size = GetClientSize();
    const int half = size.y / 2;
    wxRendererNative& renderer = wxRendererNative::Get();
    const int enabled = IsEnabled() ? 0 : static_cast<int>(wxCONTROL_DISABLED);
    const int pressed = wxCONTROL_PRESSED;
    const wxRect upper(0, 0, size.x, half);
    const wxRect lower(0, half, size.x, size.y - half);
    renderer.DrawPushButton(this, dc, upper, enabled | (m_pressed > 0 ? pressed : 0));
    renderer.DrawPushButton(this, dc, lower, enabled | (m_pressed < 0 ? pressed : 0));

    const wxColour ink =
        wxSystemSettings::GetColour(IsEnabled() ? wxSYS_COLOUR_BTNTEXT : wxSYS_COLOUR_GRAYTEXT);
    dc.SetPen(wxPen(ink));
    dc.SetBrush(wxBrush(ink));
    const int w = std::max(2, std::min(size.x, half * 2) / 4); // half the arrow's base
    const int h = std::max(1, w / 2 + 1);
    const int cx = size.x / 2;
    const int upY = half / 2;
    const wxPoint up[] = {{cx - w, upY + h / 2}, {cx + w, upY + h / 2}, {cx, upY - h + h / 2}};
    dc.DrawPolygon(3, up);
    const int downY = half + (size.y - half) / 2;
    const wxPoint down[] = {{cx - w, downY - h / 2}, {cx + w, downY - h / 2}, {cx, downY + h - h / 2}};
    dc.DrawPolygon(3, down);
}

void CUpDownCtrl::OnLeftDown(wxMouseEvent& event) {
    if (!IsEnabled()) return;
    m_pressed = event.GetY() < GetClientSize().y / 2 ? 1 : -1;
    if (!HasCapture()) CaptureMouse();
    Step(m_pressed);
    m_repeat.StartOnce(kFirstDelayMs);
    Refresh();
}

void CUpDownCtrl::OnLeftUp(wxMouseEvent& /*event*/) {
    Release();
}

void CUpDownCtrl::OnCaptureLost(wxMouseCaptureLostEvent& /*event*/) {
    m_pressed = 0;
    m_repeat.Stop();
    Refresh();
}

void CUpDownCtrl::OnRepeat(wxTimerEvent& /*event*/) {
    if (m_pressed == 0) return;
    Step(m_pressed);
    m_repeat.StartOnce(kRepeatMs);
}

void CUpDownCtrl::Release() {
    m_repeat.Stop();
    m_pressed = 0;
    if (HasCapture()) ReleaseMouse();
    Refresh();
}
