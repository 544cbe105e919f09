#pragma once
// The document holds nothing: every piece of project data lives in the ProjectStore.
// It only passes refresh hints on to the view.

class CCorvaneView;

class CCorvaneDoc {
  public:
    CCorvaneDoc() = default;
    CCorvaneDoc(const CCorvaneDoc&) = delete;
    CCorvaneDoc& operator=(const CCorvaneDoc&) = delete;

    void AttachView(CCorvaneView* view) { view_ = view; }
    CCorvaneView* GetView() const { return view_; }

    // HINT_JUMP selects the jump target; any other hint rebuilds the list.
    void UpdateAllViews(long hint = 0);

    // Nothing is ever held, so there is never anything to save.
    bool IsModified() const { return false; }

  private:
    CCorvaneView* view_ = nullptr;
};
