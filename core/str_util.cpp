#include "core/str_util.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tv {

namespace {

using Table = std::array<unsigned char, 256>;

constexpr Table BuildUpper() {
    Table t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int i = 'a'; i <= 'z'; ++i) t[i] = static_cast<unsigned char>(i - 0x20);
    for (int i = 0xE0; i <= 0xFE; ++i)
        if (i != 0xF7) t[i] = static_cast<unsigned char>(i - 0x20);
    t[0x9A] = 0x8A;  // š
    t[0x9C] = 0x8C;  // œ
    t[0x9E] = 0x8E;  // ž
    t[0xFF] = 0x9F;  // ÿ
    return t;
}

constexpr Table BuildLower() {
    Table t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int i = 'A'; i <= 'Z'; ++i) t[i] = static_cast<unsigned char>(i + 0x20);
    for (int i = 0xC0; i <= 0xDE; ++i)
        if (i != 0xD7) t[i] = static_cast<unsigned char>(i + 0x20);
    t[0x8A] = 0x9A;
    t[0x8C] = 0x9C;
    t[0x8E] = 0x9E;
    t[0x9F] = 0xFF;
    return t;
}

constexpr Table kUpper = BuildUpper();
constexpr Table kLower = BuildLower();

constexpr std::size_t npos = std::string_view::npos;

// Per upper-case byte: the bytes that fold to it (the first two) and how many there are.
struct Spellings {
    unsigned char bytes[2];
    int count;
};
constexpr std::array<Spellings, 256> BuildSpellings() {
    std::array<Spellings, 256> t{};
    for (int c = 0; c < 256; ++c) {
        Spellings& sp = t[kUpper[c]];
        if (sp.count < 2) sp.bytes[sp.count] = static_cast<unsigned char>(c);
        ++sp.count;
    }
    return t;
}
constexpr std::array<Spellings, 256> kSpellings = BuildSpellings();

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

// The 0-based index of the first byte at or after `from` in s[0..n) that is
// `a` or `b`; n when none. Sixteen bytes at a time where the target has SSE2.
std::size_t FindEither(const unsigned char* s, std::size_t from, std::size_t n, unsigned char a, unsigned char b) {
    if (a == b) {
        if (from >= n) return n;
        const void* hit = std::memchr(s + from, a, n - from);
        return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - s) : n;
    }
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(static_cast<char>(a));
    const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)));
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i)
        if (s[i] == a || s[i] == b) return i;
    return n;
}

// The first i in [from, stop) with s[i] one of a0/a1 and s[i + 1] one of
// b0/b1; stop when none. Needs stop < n.
std::size_t FindPair(const unsigned char* s, std::size_t from, std::size_t stop, std::size_t n, unsigned char a0,
                     unsigned char a1, unsigned char b0, unsigned char b1) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i va0 = _mm_set1_epi8(static_cast<char>(a0)), va1 = _mm_set1_epi8(static_cast<char>(a1));
    const __m128i vb0 = _mm_set1_epi8(static_cast<char>(b0)), vb1 = _mm_set1_epi8(static_cast<char>(b1));
    for (; i + 17 <= n && i < stop; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 1));
        const __m128i hx = _mm_or_si128(_mm_cmpeq_epi8(x, va0), _mm_cmpeq_epi8(x, va1));
        const __m128i hy = _mm_or_si128(_mm_cmpeq_epi8(y, vb0), _mm_cmpeq_epi8(y, vb1));
        const int mask = _mm_movemask_epi8(_mm_and_si128(hx, hy));
        if (mask != 0) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
            return at < stop ? at : stop;
        }
    }
#else
    (void)n;
#endif
    for (; i < stop; ++i)
        if ((s[i] == a0 || s[i] == a1) && (s[i + 1] == b0 || s[i + 1] == b1)) return i;
    return stop;
}

// How likely a byte of running HTML text is; the search anchors on the
// pattern byte that is least likely, so it stops at few false candidates.
int AnchorCost(unsigned char c, int variants) {
    // Letters are the bulk of any text, and folded ones come in two spellings.
    if (variants > 1 || (c >= 'a' && c <= 'z')) return 100;
    if (c >= 'A' && c <= 'Z') return 70;
    if (c == ' ' || c == '<' || c == '>' || c == '"' || c == '=' || c == '/' || c == '\r' || c == '\n') return 50;
    if ((c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-' || c == ':' || c == ';') return 40;
    return 10;
}

// Search of a pattern, prepared once and run over any number of texts or
// starting points. When folding, pattern and source bytes compare through the
// upper-case table. The scan looks for two neighbouring pattern bytes at once
// (each in its at most two spellings), chosen as the least likely pair in HTML
// text, and checks the whole pattern around each place found; a pattern whose
// bytes have more spellings falls back to Boyer-Moore-Horspool.
class Searcher {
public:
    Searcher(std::string_view pat, bool fold) : pat_(pat), fold_(fold), m_(pat.size()) {
        if (m_ == 0) return;
        p_.resize(m_);
        for (std::size_t i = 0; i < m_; ++i) p_[i] = static_cast<char>(fold ? kUpper[U(pat[i])] : U(pat[i]));
        // An exact pattern that starts with a rare byte: the library search
        // (a wide scan for that byte) is quicker than any pair scan.
        if (!fold && (m_ == 1 || AnchorCost(U(pat[0]), 1) <= 10)) {
            mode_ = Mode::Library;
            return;
        }
        if (m_ == 1) {
            if (Spell(0, a0_, a1_) <= 2) mode_ = Mode::Single;
            else PrepareHorspool();
            return;
        }
        int best = 1 << 30;
        for (std::size_t i = 0; i + 1 < m_; ++i) {
            unsigned char x, y;
            const int c0 = Spell(i, x, y), c1 = Spell(i + 1, x, y);
            if (c0 > 2 || c1 > 2) continue;
            const int cost = AnchorCost(P(i), c0) + AnchorCost(P(i + 1), c1);
            if (cost < best) {
                best = cost;
                q_ = i;
            }
        }
        if (best < (1 << 30)) {
            mode_ = Mode::Pair;
            Spell(q_, a0_, a1_);
            Spell(q_ + 1, b0_, b1_);
        } else {
            PrepareHorspool();
        }
    }

    // 0-based position of the first match at or after `from`; npos when none.
    std::size_t Find(std::string_view src, std::size_t from) const {
        const std::size_t n = src.size();
        const std::size_t m = m_;
        if (m == 0 || m > n || from > n - m) return npos;
        const unsigned char* s = reinterpret_cast<const unsigned char*>(src.data());
        switch (mode_) {
            case Mode::Library:
                return src.find(pat_, from);
            case Mode::Single: {
                const std::size_t at = FindEither(s, from, n, a0_, a1_);
                return at < n ? at : npos;
            }
            case Mode::Pair: {
                // Windows start at from..n-m, so the pair starts in [from+q, n-m+q].
                const std::size_t stop = n - m + q_ + 1;
                for (std::size_t at = from + q_;; ++at) {
                    at = FindPair(s, at, stop, n, a0_, a1_, b0_, b1_);
                    if (at >= stop) return npos;
                    if (MatchesAt(s, at - q_)) return at - q_;
                }
            }
            case Mode::Horspool:
                break;
        }
        std::size_t end = from + m - 1;  // window end
        const unsigned char last = P(m - 1);
        while (end < n) {
            const unsigned char c = Fold(s[end]);
            if (c == last && MatchesAt(s, end + 1 - m)) return end + 1 - m;
            end += skip_[c];
        }
        return npos;
    }

private:
    enum class Mode { Library, Single, Pair, Horspool };

    unsigned char P(std::size_t i) const { return U(p_[i]); }
    unsigned char Fold(unsigned char c) const { return fold_ ? kUpper[c] : c; }
    bool MatchesAt(const unsigned char* s, std::size_t start) const {
        std::size_t k = 0;
        if (fold_)
            while (k < m_ && kUpper[s[start + k]] == P(k)) ++k;
        else
            while (k < m_ && s[start + k] == P(k)) ++k;
        return k == m_;
    }
    // The spellings of pattern byte i: itself when exact, else every byte
    // folding to it (the first two); returns how many there are.
    int Spell(std::size_t i, unsigned char& b0, unsigned char& b1) const {
        if (!fold_) {
            b0 = b1 = P(i);
            return 1;
        }
        const Spellings& sp = kSpellings[P(i)];
        b0 = sp.bytes[0];
        b1 = sp.count >= 2 ? sp.bytes[1] : sp.bytes[0];
        return sp.count;
    }
    void PrepareHorspool() {
        mode_ = Mode::Horspool;
        skip_.fill(m_);
        for (std::size_t i = 0; i + 1 < m_; ++i) skip_[P(i)] = m_ - 1 - i;
    }

    std::string_view pat_;
    bool fold_;
    std::size_t m_;
    std::string p_;
    Mode mode_ = Mode::Horspool;
    std::size_t q_ = 0;
    unsigned char a0_ = 0, a1_ = 0, b0_ = 0, b1_ = 0;
    std::array<std::size_t, 256> skip_;  // filled for Horspool only
};

std::size_t Bmh(std::string_view src, std::string_view pat, std::size_t from, bool fold) {
    if (pat.empty() || pat.size() > src.size() || from > src.size() - pat.size()) return npos;
    return Searcher(pat, fold).Find(src, from);
}

inline bool MatchAt(std::string_view hay, std::size_t at, std::string_view pat, bool fold) {
    if (at > hay.size() || hay.size() - at < pat.size()) return false;
    for (std::size_t i = 0; i < pat.size(); ++i) {
        const unsigned char a = U(hay[at + i]);
        const unsigned char b = U(pat[i]);
        if (fold ? kUpper[a] != kUpper[b] : a != b) return false;
    }
    return true;
}

// 1-based wrapper over Bmh: 0 for a start below 1, an empty pattern or one
// longer than the source.
int PosImpl(std::string_view source, std::string_view pattern, int start, bool fold) {
    if (start < 1 || pattern.empty() || pattern.size() > source.size()) return 0;
    const std::size_t at = Bmh(source, pattern, static_cast<std::size_t>(start) - 1, fold);
    return at == npos ? 0 : static_cast<int>(at) + 1;
}

// One pass: hits are searched in `source` only, so replacements never rescan.
int ReplaceInto(std::string_view source, std::string_view find, std::string_view replace, std::string& out,
                bool fold) {
    int count = 0;
    std::size_t from = 0;
    if (find.empty() || find.size() > source.size()) return 0;
    const Searcher searcher(find, fold);
    std::size_t hit = searcher.Find(source, 0);
    if (hit == npos) return 0;
    std::size_t capacity = source.size();
    if (replace.size() > find.size()) capacity = source.size() / find.size() * replace.size() + replace.size();
    out.clear();
    out.reserve(capacity);
    while (hit != npos) {
        out.append(source.substr(from, hit - from));
        out.append(replace);
        ++count;
        from = hit + find.size();
        hit = searcher.Find(source, from);
    }
    out.append(source.substr(from));
    return count;
}

int ReplaceAllImpl(std::string& text, std::string_view find, std::string_view replace, bool fold) {
    if (text.empty() || find.empty()) return 0;
    std::string out;
    const int count = ReplaceInto(text, find, replace, out, fold);
    if (count > 0) text.swap(out);
    return count;
}

bool CutBetweenImpl(std::string& text, std::string& span, std::string_view open, std::string_view close,
                    bool fold) {
    const int p1 = PosImpl(text, open, 1, fold);
    if (p1 < 1) return false;
    const int p2 = PosImpl(text, close, p1 + static_cast<int>(open.size()), fold);
    if (p2 <= p1) return false;
    const std::size_t begin = static_cast<std::size_t>(p1) - 1;
    const std::size_t end = static_cast<std::size_t>(p2) - 1 + close.size();
    span.assign(text, begin, end - begin);
    text.erase(begin, end - begin);
    return true;
}

}  // namespace

const std::array<unsigned char, 256>& UpperTable() { return kUpper; }
const std::array<unsigned char, 256>& LowerTable() { return kLower; }

std::string UpperCaseCp1252(std::string_view text) {
    std::string out(text);
    for (auto& c : out) c = static_cast<char>(kUpper[U(c)]);
    return out;
}

std::string LowerCaseCp1252(std::string_view text) {
    std::string out(text);
    for (auto& c : out) c = static_cast<char>(kLower[U(c)]);
    return out;
}

std::string UpperCaseAscii(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return out;
}

std::string LowerCaseAscii(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
    return out;
}

bool SameTextCp1252(std::string_view a, std::string_view b) {
    return a.size() == b.size() && MatchAt(a, 0, b, true);
}

int CompareTextCp1252(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = kUpper[U(a[i])];
        const unsigned char y = kUpper[U(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int FastCharPos(std::string_view text, char c, int start) {
    if (start < 1 || text.empty() || static_cast<std::size_t>(start) > text.size()) return 0;
    const std::size_t at = text.find(c, static_cast<std::size_t>(start) - 1);
    return at == npos ? 0 : static_cast<int>(at) + 1;
}

int FastPos(std::string_view source, std::string_view pattern, int start) {
    return PosImpl(source, pattern, start, false);
}

int FastPosNoCase(std::string_view source, std::string_view pattern, int start) {
    return PosImpl(source, pattern, start, true);
}

std::string_view UmlautSpelling(unsigned char c) {
    switch (c) {
        case 0xE4: return "ae";
        case 0xF6: return "oe";
        case 0xFC: return "ue";
        case 0xC4: return "Ae";
        case 0xD6: return "Oe";
        case 0xDC: return "Ue";
        case 0xDF: return "ss";
        default: return {};
    }
}

std::size_t FindNoCase(std::string_view text, std::string_view pattern, std::size_t from) {
    if (from >= text.size()) return std::string_view::npos;
    const int p = FastPosNoCase(text, pattern, static_cast<int>(from) + 1);
    return p > 0 ? static_cast<std::size_t>(p) - 1 : std::string_view::npos;
}

int FastPos(const char* source, const char* pattern, int sourceLength, int start, int patternLength) {
    if (!source || !pattern || sourceLength < 1 || patternLength < 1) return 0;
    return PosImpl(std::string_view(source, static_cast<std::size_t>(sourceLength)),
                   std::string_view(pattern, static_cast<std::size_t>(patternLength)), start, false);
}

int FastPosNoCase(const char* source, const char* pattern, int sourceLength, int start, int patternLength) {
    if (!source || !pattern || sourceLength < 1 || patternLength < 1) return 0;
    return PosImpl(std::string_view(source, static_cast<std::size_t>(sourceLength)),
                   std::string_view(pattern, static_cast<std::size_t>(patternLength)), start, true);
}

void FastReplace(std::string_view source, std::string_view find, std::string_view replace, std::string& result,
                 bool caseSensitive, int& count) {
    count = 0;
    if (source.empty()) {
        result.clear();
        return;
    }
    std::string out;
    if (!find.empty()) count = ReplaceInto(source, find, replace, out, !caseSensitive);
    if (count == 0) out.assign(source);  // `source` may view `result`: copy before assigning
    result.swap(out);
}

void CopyStr(std::string_view text, int start, int count, std::string& part) {
    if (start < 1 || count < 1 || text.empty()) return;
    const auto from = static_cast<std::size_t>(start) - 1;
    if (from >= text.size()) {
        part.clear();
        return;
    }
    part.assign(text.substr(from, static_cast<std::size_t>(count)));
}

int PosFrom(std::string_view pattern, std::string_view text, int start) {
    const int p = PosImpl(text, pattern, std::max(start, 1), false);
    return p == 0 ? -1 : p;
}

int ReplaceAll(std::string& text, std::string_view find, std::string_view replace) {
    return ReplaceAllImpl(text, find, replace, false);
}

int ReplaceAllNoCase(std::string& text, std::string_view find, std::string_view replace) {
    return ReplaceAllImpl(text, find, replace, true);
}

int RemoveAllNoCase(std::string& text, std::string_view find) { return ReplaceAllImpl(text, find, {}, true); }

bool RemoveBetween(std::string& text, std::string_view open, std::string_view close) {
    const int p1 = PosImpl(text, open, 1, true);
    if (p1 < 1) return false;
    const int p2 = PosImpl(text, close, p1 + 1, true);
    if (p2 < 1) return false;
    const std::size_t begin = static_cast<std::size_t>(p1) - 1;
    const std::size_t end = static_cast<std::size_t>(p2) - 1 + close.size();
    text.erase(begin, end - begin);
    return true;
}

int RemoveAllBetween(std::string& text, std::string_view open, std::string_view close) {
    // The text is seen as out + src[r..]: `out` holds what is kept so far and
    // src the untouched rest. No `open` starts in the text before `u`. An open
    // may start in out's tail (after u) and reach into src when a removal
    // joined two pieces; those few positions are checked on a small window,
    // everything else is searched in src directly, so the work stays linear.
    if (open.empty() || close.empty() || text.empty()) return 0;
    // The text itself becomes the source; it goes back unchanged when nothing is removed.
    std::string src = std::move(text);
    const Searcher openSearch(open, true), closeSearch(close, true);
    const std::size_t n = src.size();
    const std::string_view sv(src);
    std::string out;
    out.reserve(n);
    std::size_t r = 0;
    std::size_t u = 0;
    int count = 0;
    const std::size_t lo = open.size();
    const std::size_t lc = close.size();
    for (;;) {
        const std::size_t pending = out.size() - u;
        std::string win;
        std::size_t q = npos;  // open in the window (index < pending)
        if (pending > 0) {
            win.assign(out, u, pending);
            win.append(sv.substr(r, std::min(n - r, lo + lc)));
            for (std::size_t i = 0; i < pending; ++i)
                if (MatchAt(win, i, open, true)) {
                    q = i;
                    break;
                }
        }
        if (q != npos) {
            std::size_t j = npos;  // close starting inside out's tail
            for (std::size_t i = q + 1; i < pending; ++i)
                if (MatchAt(win, i, close, true)) {
                    j = i;
                    break;
                }
            const std::size_t p1 = u + q;
            if (j != npos) {
                const std::size_t e = j + lc;  // end of the close in the window
                if (e <= pending) {
                    out.erase(p1, e - q);
                } else {
                    out.resize(p1);
                    r += e - pending;
                }
            } else {
                const std::size_t s = closeSearch.Find(sv, r);
                if (s == npos) break;
                out.resize(p1);
                r = s + lc;
            }
            ++count;
            u = p1 >= lo - 1 ? p1 - (lo - 1) : 0;
            continue;
        }
        const std::size_t a = openSearch.Find(sv, r);
        if (a == npos) break;
        const std::size_t s = closeSearch.Find(sv, a + 1);
        if (s == npos) break;
        out.append(sv.substr(r, a - r));
        const std::size_t p1 = out.size();
        r = s + lc;
        ++count;
        u = p1 >= lo - 1 ? p1 - (lo - 1) : 0;
    }
    if (count == 0) {
        text = std::move(src);
        return 0;
    }
    out.append(sv.substr(r));
    text.swap(out);
    return count;
}

bool CutBetween(std::string& text, std::string& span, std::string_view open, std::string_view close) {
    return CutBetweenImpl(text, span, open, close, true);
}

bool CutBetweenInner(std::string& text, std::string& inner, std::string_view open, std::string_view close) {
    std::string span;
    if (!CutBetweenImpl(text, span, open, close, true)) return false;
    inner.assign(span, open.size(), span.size() - open.size() - close.size());
    return true;
}

bool CutBetweenCase(std::string& text, std::string& span, std::string_view open, std::string_view close) {
    return CutBetweenImpl(text, span, open, close, false);
}

bool DeleteUpTo(std::string& text, std::string_view marker) {
    const int p = PosImpl(text, marker, 1, true);
    if (p < 1) return false;
    text.erase(0, static_cast<std::size_t>(p) - 1 + marker.size());
    return true;
}

char Rot13Char(char c) {
    if ((c >= 'A' && c <= 'M') || (c >= 'a' && c <= 'm')) return static_cast<char>(c + 13);
    if ((c >= 'N' && c <= 'Z') || (c >= 'n' && c <= 'z')) return static_cast<char>(c - 13);
    return c;
}

void Rot13(std::string& text) {
    for (auto& c : text) c = Rot13Char(c);
}

std::string Rot13Copy(std::string_view text) {
    std::string out(text);
    Rot13(out);
    return out;
}

void FixUtf8Chars(std::string& text) {
    struct Pair {
        std::string_view from, to;
    };
    // Order matters; "&#220;" goes before the bare "&#220" so that the
    // semicolon of a complete reference does not stay behind.
    static constexpr Pair kPairs[] = {
        {"\xC3\xA4", "\xE4"},      {"\xC3\xB6", "\xF6"},     {"\xC3\xBC", "\xFC"},     {"\xC3\x9F", "\xDF"},
        {"\xC3\x96", "\xD6"},      {"\xC3\x9C", "\xDC"},     {"\xE2\x80\x9E", "\""},   {"\xE2\x80\x9C", "\""},
        {"\xE2\x80\x9A", "\""},    {"\xE2\x80\x99", "'"},    {"\xE2\x80\xA6", "..."},  {"\xE2\x80\x93", "-"},
        {"&#220;", "\xDC"},        {"&#220", "\xDC"},        {"\x80\x99", "'"},        {"\x80\x9E", "\""},
        {"\x80\x9C", "\""},        {"\xC2", ""},
    };
    for (const auto& p : kPairs) ReplaceAllImpl(text, p.from, p.to, false);
}

namespace {

// Replacement of &#NNN; for NNN in 171..255; nullptr = left as it is.
const char* NumericEntity(int code, char* same) {
    auto sameChar = [&]() {
        same[0] = static_cast<char>(code);
        same[1] = 0;
        return same;
    };
    switch (code) {
        case 171: return "\"";
        case 176: return "\xB0";
        case 180: return "'";
        case 184: return ",";
        case 187: return "\"";
        case 188: return "1/4";
        case 189: return "1/2";
        case 190: return "3/4";
        case 195:
        case 196:
        case 197: return "\xC4";
        case 198: return "AE";
        case 199: return "C";
        case 203: return "E";
        case 207: return "I";
        case 209: return "N";
        case 213: return "O";
        case 214: return "\xD6";
        case 215: return "x";
        case 216: return "O";
        case 223: return "\xDF";
        case 227: return "a";
        case 228: return "\xE4";
        case 229: return "\xE2";
        case 230: return "ae";
        case 231: return "c";
        case 235: return "e";
        case 239: return "i";
        case 240: return "o";
        case 241: return "n";
        case 245: return "o";
        case 246: return "\xF6";
        case 247: return "/";
        case 248: return "o";
        case 255: return "y";
        default: break;
    }
    if ((code >= 192 && code <= 194) || (code >= 200 && code <= 202) || (code >= 204 && code <= 206) ||
        (code >= 210 && code <= 212) || (code >= 217 && code <= 221) || (code >= 224 && code <= 226) ||
        (code >= 232 && code <= 234) || (code >= 236 && code <= 238) || (code >= 242 && code <= 244) ||
        (code >= 249 && code <= 253))
        return sameChar();
    return nullptr;
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void DecodeHtmlEntities(std::string& text) {
    ReplaceAllImpl(text, "&amp;", "&", false);
    ReplaceAllImpl(text, "&quot;", "\"", false);
    ReplaceAllImpl(text, "&lt;", "<", false);
    ReplaceAllImpl(text, "&gt;", ">", false);
    // Numeric references "&#" + exactly three digits + ";". No replacement
    // contains '&', '#' or a digit followed by a digit, so one pass gives the
    // same text as one pass per code.
    std::size_t at = text.find("&#");
    if (at == npos) return;
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    char same[2];
    while (at != npos) {
        if (at + 6 <= text.size() && IsDigit(text[at + 2]) && IsDigit(text[at + 3]) && IsDigit(text[at + 4]) &&
            text[at + 5] == ';') {
            const int code = (text[at + 2] - '0') * 100 + (text[at + 3] - '0') * 10 + (text[at + 4] - '0');
            if (const char* rep = NumericEntity(code, same)) {
                out.append(text, from, at - from);
                out.append(rep);
                from = at + 6;
                at = text.find("&#", from);
                continue;
            }
        }
        at = text.find("&#", at + 1);
    }
    out.append(text, from, npos);
    text.swap(out);
}

std::string PathToFileUrl(std::string_view path) {
    std::string p(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    if (!p.empty() && p.front() == '/') p.erase(0, 1);
    return "file:///" + p;
}

std::string WaypointFromFileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash != npos) path.remove_prefix(slash + 1);
    std::string out;
    for (char c : path) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) break;
        out += c;
    }
    return out;
}

bool IsSafeWaypointCode(std::string_view code) {
    if (code.empty() || code.size() > 16) return false;
    for (char c : code)
        if (!IsAsciiAlnum(c)) return false;
    return true;
}

bool RefusedCodes::Admit(std::string_view code) {
    if (IsSafeWaypointCode(code)) return true;
    ++count_;
    std::string shown;
    for (char c : code.substr(0, 40)) shown += static_cast<unsigned char>(c) < 32 ? '?' : c;
    if (code.size() > 40) shown += "...";
    if (code.empty()) shown = "(ohne Code)";
    if (seen_.insert(std::string(code)).second) codes_.push_back(std::move(shown));
    return false;
}

std::string RefusedCodes::Text() const {
    if (count_ == 0) return {};
    // "Einträge mit ungültigem Wegpunktcode übersprungen: " in Windows-1252.
    std::string text = std::to_string(count_) +
                       (count_ == 1 ? " Eintrag" : " Eintr\xE4ge") + " mit ung\xFCltigem Wegpunktcode \xFC" "bersprungen: ";
    for (std::size_t i = 0; i < codes_.size() && i < 20; ++i) text += (i ? ", " : "") + codes_[i];
    if (codes_.size() > 20) text += ", ...";
    return text;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlankOrTab(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankOrTab(text.back())) text.remove_suffix(1);
    return text;
}

std::string TrimLeftCtl(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && U(text[i]) <= 32) ++i;
    return std::string(text.substr(i));
}

std::string TrimRightCtl(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && U(text[n - 1]) <= 32) --n;
    return std::string(text.substr(0, n));
}

std::string TrimCtl(std::string_view text) { return TrimRightCtl(TrimLeftCtl(text)); }

}  // namespace tv
