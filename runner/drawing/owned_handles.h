// Small owners of GDI and USER objects, so that every one is released once.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace runner {

template <typename Handle, typename Release>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;
    Owned &operator=(Owned &&other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }

    Handle Get() const { return handle_; }
    void Reset() {
        if (handle_ != nullptr) {
            Release()(handle_);
            handle_ = nullptr;
        }
    }

private:
    Handle handle_ = nullptr;
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyImageList {
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
struct DestroyPopupMenu {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};

using OwnedFont = Owned<HFONT, DeleteGdiObject>;
using OwnedImageList = Owned<HIMAGELIST, DestroyImageList>;
using OwnedMenu = Owned<HMENU, DestroyPopupMenu>;

}  // namespace runner
