#pragma once
// What the frame may ask of a working window besides showing it. A window that has nothing to
// say here need not derive from it.
namespace quelmo::ui {

class WorkingWindow {
public:
    virtual ~WorkingWindow() = default;
    // The design window holds an edited design that has not been ended; 'return' asks first.
    virtual bool DesignDirty() const { return false; }
    // The flash image was just built afresh: windows that show what it holds redraw.
    virtual void ImageBuilt() {}
};

}  // namespace quelmo::ui
