#include "display/tcmd.h"

#include "display/handlers.h"

namespace quelmo {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Tcmd::Tcmd(const Trom& rom) : gd_(std::make_unique<Tgd>(rom)) {
    statement_.reserve(256);
    last_string_.reserve(128);
    RegisterHandlers(*this);
}

Tcmd::~Tcmd() = default;

void Tcmd::Register(std::string_view name, Handler handler, int type) {
    table_[std::string(name)] = Entry{handler, type};
}

const Tcmd::Entry* Tcmd::Find(std::string_view name) const {
    auto it = table_.find(name);
    return it == table_.end() ? nullptr : &it->second;
}

int Tcmd::TypeOf(std::string_view name) const {
    const Entry* e = Find(name);
    return e ? e->type : kTypeNone;
}

bool Tcmd::HasHandler(std::string_view name) const {
    const Entry* e = Find(name);
    return e && e->handler;
}

std::string_view Tcmd::StatementName(std::string_view s) {
    if (s.size() >= 2 && s[0] == 'Q' && IsDigit(s[1])) return "Qn";
    if (s.size() >= 2 && s[0] == 'S' && IsDigit(s[1])) return "Sn";
    if (s.size() >= 3 && s[0] == 'D' && s[1] == 'R' && IsDigit(s[2])) return "DRn";
    if (auto p = s.find('('); p != std::string_view::npos) return s.substr(0, p);
    if (auto p = s.find(';'); p != std::string_view::npos) return s.substr(0, p);
    return s;
}

bool Tcmd::OpensGroup(std::string_view name) { return name == "SXY" || name == "W8UE" || name == "CEUE"; }

void Tcmd::RunText(std::string_view text) {
    // A local accumulator: a handler may run other text (menus run stored pages).
    std::string acc;
    acc.reserve(128);
    bool in_quote = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char b = text[i];
        if (b == ';' && !in_quote) {
            if (!acc.empty()) RunStatement(acc);
            acc.clear();
            continue;
        }
        if (b == '\'') {
            if (!in_quote)
                in_quote = true;
            else if (i == 0 || text[i - 1] != '\\')
                in_quote = false;
        }
        if (static_cast<unsigned char>(b) > 0x20 || in_quote) acc.push_back(b);
    }
}

void Tcmd::RunStatement(std::string_view statement) {
    statement_.assign(statement);
    const std::string_view name = StatementName(statement_);
    bounds_ = {-1, -1, -1, -1};
    const Entry* e = Find(name);
    if (!e || !e->handler) return;
    gd_->ClearBounds();
    e->handler(*this);
    // A handler that ran other text (a menu running its page) leaves no bounds of its own for type 3.
    bounds_ = e->type == kTypeNoBounds ? Tgd::Rect{-1, -1, -1, -1} : gd_->bounds;
}

int Tcmd::ReadInt() {
    // At most five digits; the byte that stops the digits is skipped as the separator.
    int value = 0;
    const int n = static_cast<int>(statement_.size());
    for (int digits = 0; digits < 5 && pos_ >= 1 && pos_ <= n && IsDigit(statement_[pos_ - 1]); ++digits) {
        value = value * 10 + (statement_[pos_ - 1] - '0');
        ++pos_;
    }
    ++pos_;
    return value;
}

const std::string& Tcmd::ReadString() {
    // Skip the opening quote; take at most 103 bytes; '\' takes the next byte as it is; the
    // closing quote ends the string and its separator is skipped too.
    ++pos_;
    last_string_.clear();
    const int n = static_cast<int>(statement_.size());
    for (int i = 0; i < 103; ++i) {
        if (pos_ < 1 || pos_ > n) break;
        char b = statement_[pos_ - 1];
        ++pos_;
        if (b == '\'') {
            ++pos_;
            break;
        }
        if (b == '\\') {
            if (pos_ > n) break;
            b = statement_[pos_ - 1];
            ++pos_;
        }
        last_string_.push_back(b);
    }
    return last_string_;
}

}  // namespace quelmo
