// The one owner of a view of a file mapping (MapViewOfFile), unmapped by
// Close, by Reset and by the destructor, so on every path. Movable, never
// copied. The view does not keep its mapping's handle: the mapping may be
// closed first, and the view stays valid until it is unmapped.
#pragma once

#include <windows.h>

class MappedView {
public:
    MappedView() : view(NULL) {}
    // Takes over a view MapViewOfFile returned (NULL for none).
    explicit MappedView(void* view) : view(view) {}
    ~MappedView() { Close(); }
    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;

    // Unmaps what is held, then takes view over.
    void Reset(void* view);
    void Close() { Reset(NULL); }
    bool IsMapped() const { return view != NULL; }
    // NULL while none is held.
    void* Get() const { return view; }

private:
    void* view;
};
