#include "common/mapped_view.h"

MappedView::MappedView(MappedView&& other) noexcept : view(other.view)
{
    other.view = NULL;
}

MappedView& MappedView::operator=(MappedView&& other) noexcept
{
    if (this != &other) {
        Reset(other.view);
        other.view = NULL;
    }
    return *this;
}

void MappedView::Reset(void* newView)
{
    // A refused unmap leaves nothing an owner could do about it; the view is
    // given up either way.
    if (view != NULL)
        (void)UnmapViewOfFile(view);
    view = newView;
}
