#pragma once
// The undo steps of the assist design editor. Each step keeps the editor's state before and
// after the edit and puts one of them back; the edit itself has been done when the step is
// pushed, so the first redo does nothing.
#include <QUndoCommand>

#include "editors/ui/editcmd_form.h"

namespace quelmo::ui {

class DesignStep : public QUndoCommand {
public:
    DesignStep(Teditcmdform& form, DesignState before, DesignState after, const QString& text)
        : QUndoCommand(text), form_(form), before_(std::move(before)), after_(std::move(after)) {}
    void undo() override { form_.Restore(before_); }
    void redo() override {
        if (done_) {
            done_ = false;
            return;
        }
        form_.Restore(after_);
    }

protected:
    Teditcmdform& form_;
    DesignState before_;
    DesignState after_;
    bool done_ = true;
};

// One kind of edit per class; the kinds are told apart in the undo history by their text.
class PaletteInsertStep : public DesignStep { using DesignStep::DesignStep; };
class DeleteLineStep : public DesignStep { using DesignStep::DesignStep; };
class CopyLineStep : public DesignStep { using DesignStep::DesignStep; };
class AllClearStep : public DesignStep { using DesignStep::DesignStep; };
class GridEditStep : public DesignStep { using DesignStep::DesignStep; };
class ChooserStep : public DesignStep { using DesignStep::DesignStep; };
class DragStep : public DesignStep { using DesignStep::DesignStep; };
class KeyMoveStep : public DesignStep { using DesignStep::DesignStep; };
class DirectEditStep : public DesignStep { using DesignStep::DesignStep; };
class GroupOpenStep : public DesignStep { using DesignStep::DesignStep; };
class GroupEndStep : public DesignStep { using DesignStep::DesignStep; };

// Typing in the code line box: keystrokes on the same line merge into one step.
class TypeLineStep : public DesignStep {
public:
    static constexpr int kId = 1;
    using DesignStep::DesignStep;
    int id() const override { return kId; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* o = static_cast<const TypeLineStep*>(other);
        if (o->after_.current != after_.current || o->before_.current != after_.current) return false;
        after_ = o->after_;
        return true;
    }
};

// "switch screen" swaps the module's width and height; undoing it swaps them back.
class SwitchScreenStep : public QUndoCommand {
public:
    SwitchScreenStep(Teditcmdform& form, const QString& text) : QUndoCommand(text), form_(form) {}
    void undo() override { form_.SwitchScreenNow(); }
    void redo() override {
        if (done_) {
            done_ = false;
            return;
        }
        form_.SwitchScreenNow();
    }

private:
    Teditcmdform& form_;
    bool done_ = true;
};

}  // namespace quelmo::ui
