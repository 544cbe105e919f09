#pragma once
// A pair of small arrow buttons stacked in the height of one edit line, for
// stepping a number in a neighbouring edit. GTK's own spin button needs about
// three times the height the layouts give it.
#include <wx/control.h>
#include <wx/timer.h>

// Sends wxEVT_SPIN_UP or wxEVT_SPIN_DOWN and then wxEVT_SPIN, all carrying the
// new position, whenever a click (or a held button) changes the position.
class CUpDownCtrl : public wxControl {
  public:
    CUpDownCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);

    void SetRange(int low, int high);
    int GetMin() const { return m_low; }
    int GetMax() const { return m_high; }
    int GetValue() const { return m_value; }
    void SetValue(int value); // clamped into the range; sends nothing

    // Moves by `delta` within the range and reports it like a click.
    void Step(int delta);

    bool AcceptsFocus() const override { return false; }

  protected:
    wxSize DoGetBestSize() const override;

  private:
    int m_low = 0;
    int m_high = 100;
    int m_value = 0;
    int m_pressed = 0; // +1 upper half held, -1 lower half held
    wxTimer m_repeat;

    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnRepeat(wxTimerEvent& event);
    void Release();
};
