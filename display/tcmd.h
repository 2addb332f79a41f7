#pragma once
// The command interpreter: splits command text into statements, finds each statement's handler
// by its command name and gives the handler the argument readers. It owns the simulated screen.
//
// All text is GBK bytes. The parser state (current statement, read position, last string) is
// shared by nested runs: a handler that runs other text reads all of its own arguments first.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "display/tgd.h"

namespace quelmo {

class Trom;
class THashTable;

class Tcmd {
public:
    using Handler = void (*)(Tcmd&);

    // Editing types of the catalogue: what the runner records and how the editors handle a control.
    enum Type { kTypeNone = 0, kTypeRect = 1, kTypeMove = 2, kTypeNoBounds = 3, kTypeRightEdge = 4, kTypeSize = 5 };

    explicit Tcmd(const Trom& rom);
    ~Tcmd();

    // Splits text at every ';' outside quotes and runs each statement; whitespace and control
    // bytes outside quotes vanish, text after the last ';' is not run.
    void RunText(std::string_view text);
    // Runs one statement that is already split (no ';', no whitespace outside quotes).
    void RunStatement(std::string_view statement);
    static std::string_view StatementName(std::string_view statement);
    static bool OpensGroup(std::string_view name);

    // The handler table. A name with a handler of type 3 records no bounds; every other name
    // takes over the screen's bounds after its handler.
    void Register(std::string_view name, Handler handler, int type);
    int TypeOf(std::string_view name) const;
    bool HasHandler(std::string_view name) const;

    // Parser state and the argument readers (positions are 1-based, as handlers count them).
    const std::string& Statement() const { return statement_; }
    void SetStatement(std::string_view statement) { statement_.assign(statement); }
    void SetPos(int pos) { pos_ = pos; }
    int Pos() const { return pos_; }
    int ReadInt();
    int ReadX() { return ReadInt() + offset_x_; }
    int ReadY() { return ReadInt() + offset_y_; }
    const std::string& ReadString();
    const std::string& LastString() const { return last_string_; }

    int OffsetX() const { return offset_x_; }
    int OffsetY() const { return offset_y_; }
    void SetOffset(int x, int y) { offset_x_ = x; offset_y_ = y; }

    Tgd::Rect Bounds() const { return bounds_; }
    void SetBounds(const Tgd::Rect& r) { bounds_ = r; }
    // The project's settings store, where menus find their pages (pgcn0 .. pgcn127).
    void SetPages(const THashTable* pages) { pages_ = pages; }
    const THashTable* Pages() const { return pages_; }

    Tgd& Screen() { return *gd_; }
    const Tgd& Screen() const { return *gd_; }
    int ScreenWidth() const { return gd_->Width(); }
    int ScreenHeight() const { return gd_->Height(); }

private:
    struct Entry {
        Handler handler = nullptr;
        int type = kTypeNone;
    };
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    const Entry* Find(std::string_view name) const;

    std::unique_ptr<Tgd> gd_;
    const THashTable* pages_ = nullptr;
    std::unordered_map<std::string, Entry, NameHash, std::equal_to<>> table_;
    std::string statement_;
    std::string last_string_;
    int pos_ = 1;
    int offset_x_ = 0;
    int offset_y_ = 0;
    Tgd::Rect bounds_{-1, -1, -1, -1};
};

}  // namespace quelmo
