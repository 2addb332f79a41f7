#pragma once
// The assist design editor: the command palette on the left, the simulated screen in the
// middle with one frame per code line, the code lines on the right and, below, the current
// line's text, its syntax help and its parameter grid. Frames are moved and resized with the
// mouse (or the arrow keys) and the line's statement follows. Every edit is one undo step.
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ui/working_window.h"
#include "editors/axclass.h"
#include "editors/design_lines.h"
#include "editors/design_mouse.h"
#include "editors/statement_help.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTableWidget;
class QToolButton;
class QUndoStack;

namespace quelmo {
class Tcmd;
}

namespace quelmo::ui {

class ShellHost;
class ScreenView;
class Tselcolorform;
class Tselpicform;
class Tselascform;

// What an undo step puts back: the code lines, the selected line and an open group design.
struct DesignState {
    std::vector<std::string> lines;
    int current = -1;
    bool group_open = false;
    GroupDesign group;
    bool operator==(const DesignState& o) const {
        return lines == o.lines && current == o.current && group_open == o.group_open &&
               group.before == o.group.before && group.head == o.group.head && group.after == o.group.after;
    }
};

class Teditcmdform : public QWidget, public WorkingWindow {
    Q_OBJECT
public:
    static constexpr int kFramePool = 1024;  // lines past this run but get no frame

    explicit Teditcmdform(ShellHost& host, QWidget* parent = nullptr);
    ~Teditcmdform() override;

    // 1 after a line was selected for editing, until "end design" or an import.
    bool DesignDirty() const override;
    // The flash image was built afresh (new pictures, fonts): the design is drawn again.
    void ImageBuilt() override { Redraw(); }

    // "import command": the batch interface editor's edit area becomes the code lines.
    void ImportCommand();
    // Replaces the code lines by a command text (GBK) and runs it; a new design.
    void LoadText(std::string_view gbk);
    // Reads a command text file (UTF-8) into the code lines; false when it cannot be read.
    bool LoadFile(const QString& path);
    // Window activation: the screen takes the connected module's size.
    void Activate();
    // The screen's zoom, 1 to 4 screen pixels per module pixel edge.
    void SetZoom(int zoom);

    // Running: with frames, without frames, and the redraw after a selection or a drag.
    void RunCommand();
    void SimulateDisplay();
    void Redraw();

    const std::vector<std::string>& Lines() const { return lines_; }  // GBK
    int CurrentLine() const { return current_; }
    bool GroupDesignOpen() const { return group_open_; }
    const TAXclass& Frame(int line) const { return frames_[static_cast<size_t>(line)]; }
    ScreenView* Screen() const { return lcd_; }
    QUndoStack* UndoStack() const { return undo_; }
    Tselcolorform* ColourChooser() const { return selcolor_; }
    Tselpicform* PictureChooser() const { return selpic_; }
    Tselascform* KeyChooser() const { return selasc_; }

    // Undo and redo put a whole state back.
    DesignState Snapshot() const;
    void Restore(const DesignState& state);
    // "switch screen" without recording a step (the undo step calls it).
    void SwitchScreenNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildPalette(QWidget* holder);
    void PaletteButton(const std::string& caption);
    void Select(int line);
    void FillGrid();
    void ShowGrid();
    void ApplyGrid(int kind_of_step);
    void RebuildList();
    void UpdateListItem(int line);
    void RunLines(bool frames);
    void SetScreenSize(int width, int height);
    void CentreScreen();
    void Push(int kind, const DesignState& before, const QString& text);

    // Mouse editing on LCD, in screen pixels.
    void MouseMove(QPoint p, bool left_held);
    void MousePress(QPoint p);
    void StartDrag(QPoint p);
    void DragTo(QPoint p);
    void FinishDrag();
    void CancelDrag();
    bool MoveByKey(int dx, int dy);
    void SetHoverCursor();

    // Controls.
    void CmdEditEdited(const QString& text);
    void GridItemChanged(int row, int column);
    void ChooserClicked(int row);
    void AllClear();
    void DeleteLine();
    void CopyLine();
    void ConvertToC();
    void DirectEdit();
    void AssistDesign();
    void EndDesign();
    void SaveScreenPng();

    ShellHost& host_;
    Tcmd& cmd_;
    EditorState& state_;  // parameter kinds, DesignDirty and sizes, shared with the frame

    QScrollArea* cbg_ = nullptr;
    QScrollArea* panel_scroll_ = nullptr;
    QWidget* panel12_ = nullptr;
    ScreenView* lcd_ = nullptr;
    QListWidget* cmdlist_ = nullptr;
    QStackedWidget* ym_ = nullptr;
    QGroupBox* ym1_ = nullptr;
    QGroupBox* ym2_ = nullptr;
    QLineEdit* cmdedit_ = nullptr;
    QPlainTextEdit* cmdms_ = nullptr;
    QPlainTextEdit* yjz_ = nullptr;
    QTableWidget* ve_ = nullptr;
    QPushButton* hpsp_ = nullptr;
    QComboBox* zoom_ = nullptr;
    QUndoStack* undo_ = nullptr;
    Tselcolorform* selcolor_ = nullptr;
    Tselpicform* selpic_ = nullptr;
    Tselascform* selasc_ = nullptr;

    std::vector<std::string> lines_;  // GBK, one code line each
    std::vector<TAXclass> frames_;
    // The display offset in force when each line runs, as the last run found it. The grid
    // shows a line's coordinates on the screen and takes them back through the same offset.
    std::vector<std::pair<int, int>> offsets_;
    void UseLineOffset(int line);
    ParameterGrid grid_;
    int current_ = -1;
    int grid_line_ = -1;
    int edit_mode_ = 0;  // 0 none, 1 cmdedit has the focus, 2 the grid is the active editor
    bool filling_grid_ = false;
    bool group_open_ = false;
    GroupDesign group_;

    Hover hover_;
    bool dragging_ = false;
    bool pressed_ = false;
    QPoint press_point_;
    DesignDrag drag_;
    struct Box {
        int x1 = 0, y1 = 0, w = 0, h = 0, x2 = 0, y2 = 0;
        bool operator==(const Box&) const = default;
    };
    static Box BoxOf(const TAXclass& f) { return {f.x1, f.y1, f.w, f.h, f.x2, f.y2}; }
    Box drag_start_box_;             // the box as it was when the drag started (Escape)
    DesignState drag_before_;
    std::vector<uint32_t> saved_;    // the screen picture taken when the drag started
};

}  // namespace quelmo::ui
