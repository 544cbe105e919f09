#include "app/corvane_doc.h"

#include "app/corvane_view.h"

void CCorvaneDoc::UpdateAllViews(long hint) {
    if (view_) view_->OnUpdate(hint);
}
