#include "CellCommands.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "Identity.h"
#include "TexxLoader.h"

namespace viewer {

std::string BuiltInText(std::string_view word) {
    if (word == "xaut") return kAuthorCredit;
    if (word == "xmail") return kContactMail;
    if (word == "xwebp") return kWebsite;
    if (word == "xcomp") return "Company Vantor";
    return {};
}

namespace {

bool IsKeyword(std::string_view word) {
    return word == kOpenFileCommand || word == "openurl" || word == kDrawImageCommand || word == "gotox" ||
           word == "gotoy";
}

bool IsSkippedWord(std::string_view word) { return word == "mail" || word == "aut" || word == "webp"; }

// A reference as written, "[" column "," row "]"; set once its column text is.
struct Reference {
    std::string col, row;
    bool IsSet() const { return !col.empty(); }
    // The cell it names; a part that is no integer names no cell.
    std::optional<std::pair<int, int>> Cell() const {
        const std::optional<int32_t> c = ParseInteger(col), r = ParseInteger(row);
        if (!c || !r) return std::nullopt;
        return std::pair<int, int>(*c, *r);
    }
};

// Two's-complement wrapping, which unsigned arithmetic gives without undefined behaviour.
int32_t Apply(char op, int32_t a, int32_t b) {
    const auto ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
    const uint32_t result = op == '+' ? ua + ub : op == '-' ? ua - ub : ua * ub;
    return static_cast<int32_t>(result);
}

class CellEvaluator {
public:
    CellEvaluator(PageCells& page, CellCommandTable& commands, int col, int row)
        : page_(page), commands_(commands), col_(col), row_(row) {}

    void Run(const std::string& a) {
        size_t i = a.find('!') + 1;
        while (i < a.size()) {
            if (!Step(a, i)) return;
        }
    }

private:
    std::string CellName(int col, int row) const {
        return "[" + std::to_string(col) + ", " + std::to_string(row) + "]";
    }
    [[noreturn]] void NotAnInteger(const std::string& text, const std::string& where) const {
        throw PageError("Cell " + CellName(col_, row_) + " of the page: '" + text + "'" + where +
                        " is not a valid integer value");
    }
    int32_t Number(const std::string& digits) const {
        const std::optional<int32_t> v = ParseInteger(digits);
        if (!v) NotAnInteger(digits, "");
        return *v;
    }
    std::string ReadReference(const Reference& ref) const {
        const auto cell = ref.Cell();
        return cell ? page_.Text(cell->first, cell->second) : std::string();
    }
    int32_t ReferencedValue(const Reference& ref, const std::string& text) const {
        const std::optional<int32_t> v = ParseInteger(text);
        if (!v) NotAnInteger(text, " in cell [" + ref.col + ", " + ref.row + "]");
        return *v;
    }
    // The data cell a ":=" writes into, or nullopt when the first reference names none.
    std::optional<std::pair<int, int>> Target() const {
        const auto cell = ref1_.Cell();
        if (!cell || !page_.IsDataCell(cell->first, cell->second)) return std::nullopt;
        return cell;
    }
    void Append(const std::string& text) { page_.SetText(col_, row_, page_.Text(col_, row_) + text); }

    // One character at a[i]; advances i. False when the cell's command ends here.
    bool Step(const std::string& a, size_t& i) {
        const char ch = a[i];
        if (ch == '+' || ch == '-' || ch == '*') {
            op_ = ch;
            ++i;
            return true;
        }
        if (ch == ':') {
            marker_ = ":";
            return KeywordOrLetter(a, i);  // matters only as the separator of a pending keyword
        }
        if (ch == '=') {
            if (marker_ == ":") marker_ = ":=";
            if (ref1_.IsSet() && ref2_.IsSet()) return ReferenceFormula(i);
            if (!ref1_.IsSet()) return NumberFormula(i);
            return KeywordOrLetter(a, i);
        }
        if (ch == '"') return Literal(a, i);
        if (ch == '[') return ReferenceAt(a, i);
        if (ch >= '0' && ch <= '9') {
            (op_ ? num2_ : num1_) += ch;
            ++i;
            return true;
        }
        return KeywordOrLetter(a, i);
    }

    bool ReferenceFormula(size_t& i) {
        marker_ = "=";
        const std::string first = ReadReference(ref1_), second = ReadReference(ref2_);
        if (first.empty() || second.empty()) return false;
        if (op_) Append(std::to_string(Apply(op_, ReferencedValue(ref1_, first), ReferencedValue(ref2_, second))));
        op_ = 0;
        marker_.clear();
        ref1_ = ref2_ = {};
        ++i;
        return true;
    }

    bool NumberFormula(size_t& i) {
        marker_ = "=";
        // A reference still set (a literal took only the first) means this is no number formula.
        if (ref1_.IsSet() || ref2_.IsSet() || num1_.empty() || num2_.empty()) return false;
        // Numbers, operator and marker stay, so a later "=" computes again.
        if (op_) page_.SetText(col_, row_, std::to_string(Apply(op_, Number(num1_), Number(num2_))));
        ++i;
        return true;
    }

    bool Literal(const std::string& a, size_t& i) {
        const size_t close = a.find('"', i + 1);
        if (close == std::string::npos) return false;
        const std::string literal = a.substr(i + 1, close - i - 1);
        if (marker_ == ":=") {
            const auto target = Target();
            if (!target) return false;
            page_.SetText(target->first, target->second, literal);
            marker_.clear();
            ref1_ = {};
        } else {
            Append(literal);
        }
        i = close + 1;
        return true;
    }

    // "[" column "," row "]", both parts present; scanning goes on at the "]".
    bool ReferenceAt(const std::string& a, size_t& i) {
        const size_t comma = a.find_first_of(",]", i + 1);
        if (comma == std::string::npos || a[comma] != ',') return false;
        const size_t close = a.find(']', comma + 1);
        if (close == std::string::npos) return false;
        Reference ref{a.substr(i + 1, comma - i - 1), a.substr(comma + 1, close - comma - 1)};
        if (ref.col.empty() || ref.row.empty()) return false;
        if (!ref1_.IsSet()) ref1_ = std::move(ref);
        else if (!ref2_.IsSet()) ref2_ = std::move(ref);
        else return false;
        i = close;
        return true;
    }

    bool KeywordOrLetter(const std::string& a, size_t& i) {
        const char ch = a[i];
        if (IsKeyword(word_)) {
            // This character opens the argument, which runs to the next ")".
            const size_t close = a.find(')', i + 1);
            if (close == std::string::npos) return false;
            commands_.Set(col_, row_, {word_, a.substr(i + 1, close - i - 1)});
            word_.clear();
            i = close + 1;
            return true;
        }
        ++i;
        if (ch < 'a' || ch > 'z') return true;
        (word_ == "set" ? second_ : word_) += ch;
        if (marker_ == ":=") {
            if (IsSkippedWord(word_)) {
                word_.clear();
            } else if (word_ == "xaut" || word_ == "xmail" || word_ == "xwebp") {
                const std::string value = BuiltInText(word_);
                word_.clear();
                const auto target = Target();
                if (!target) return false;
                page_.SetText(target->first, target->second, value);
            }
            return true;
        }
        if (word_ == "set" && (second_ == "xmail" || second_ == "xwebp" || second_ == "xaut")) {
            word_.clear();
            second_.clear();
        } else if (IsSkippedWord(word_)) {
            word_.clear();
        } else if (word_ == "xaut" || word_ == "xmail" || word_ == "xwebp" || word_ == "xcomp") {
            const std::string value = BuiltInText(word_);
            word_.clear();
            Append(value);
        }
        return true;
    }

    PageCells& page_;
    CellCommandTable& commands_;
    const int col_, row_;
    std::string word_, second_;
    char op_ = 0;
    std::string marker_;
    std::string num1_, num2_;
    Reference ref1_, ref2_;
};

}  // namespace

void EvaluateCellCommands(PageCells& page, CellCommandTable& commands) {
    const int cols = page.ColCount(), rows = page.RowCount();
    for (int c = 1; c < cols; ++c)
        for (int r = 1; r < rows; ++r) {
            const std::string a = page.Attributes(c, r);
            if (a.size() < 2 || a.find('!') == std::string::npos) continue;
            CellEvaluator(page, commands, c, r).Run(a);
        }
}

}  // namespace viewer
