// GNU-specific (libstdc++ of mingw-w64): the one place where the program
// that ships replaces pieces of the C++ library, to keep it small. Only the
// shipped launcher links this file; the code itself throws and catches the
// same exceptions either way.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

// ---- the terminate handler ----
// The library's default prints the exception's demangled type to stderr,
// which a GUI program does not have, and brings the whole C++ demangler
// (about 46 KB) into the program. std::terminate still ends the program
// the same way.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// ---- the message of std::logic_error, std::runtime_error and their kin ----
// libstdc++ keeps this message in a std::__cow_string: a reference-counted
// string of the library's old ABI, which it implements with the whole
// old-ABI std::string (cow-string-inst.o, which drags random.o along) plus
// cow-stdexcept.o and stdexcept.o: about 50 KB, every member kept alive by
// its unwind entry. The program needs these classes only because the
// library's std::__throw_* helpers throw them (length_error from a vector
// grown past max_size, out_of_range from string::substr, ...).
//
// Defined here, the classes keep their types, layout (one pointer) and
// behaviour: what() gives the message they were made with, copies share it
// and cannot throw. The message lives in one heap block with an atomic
// count. Defining a member the library also defines is a link error, so a
// library that changes these classes is noticed at build time.
#if !defined(__GLIBCXX__) || !_GLIBCXX_USE_DUAL_ABI || !_GLIBCXX_USE_CXX11_ABI
#error "written for libstdc++ with its dual ABI and the new std::string"
#endif

namespace {

struct TMessageHeader {
    std::atomic<long> References;
};

const char* NewMessage(const char* text, std::size_t length) {
    void* block = ::operator new(sizeof(TMessageHeader) + length + 1);
    auto* header = new (block) TMessageHeader{{1}};
    char* chars = reinterpret_cast<char*>(header + 1);
    std::memcpy(chars, text, length);
    chars[length] = '\0';
    return chars;
}

TMessageHeader* HeaderOf(const char* chars) {
    return reinterpret_cast<TMessageHeader*>(const_cast<char*>(chars)) - 1;
}

const char* Share(const char* chars) noexcept {
    if (chars) HeaderOf(chars)->References.fetch_add(1, std::memory_order_relaxed);
    return chars;
}

void Drop(const char* chars) noexcept {
    if (!chars) return;
    TMessageHeader* header = HeaderOf(chars);
    if (header->References.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        header->~TMessageHeader();
        ::operator delete(header);
    }
}

}  // namespace

namespace std {

// A null pointer is the empty message.
__cow_string::__cow_string() : _M_p(nullptr) {}
__cow_string::__cow_string(const std::string& s) : _M_p(NewMessage(s.data(), s.size())) {}
__cow_string::__cow_string(const char* s, size_t n) : _M_p(NewMessage(s, n)) {}
__cow_string::__cow_string(const __cow_string& other) noexcept : _M_p(Share(other._M_p)) {}
__cow_string::__cow_string(__cow_string&& other) noexcept : _M_p(other._M_p) { other._M_p = nullptr; }
__cow_string::~__cow_string() { Drop(_M_p); }

__cow_string& __cow_string::operator=(const __cow_string& other) noexcept {
    const char* kept = Share(other._M_p);
    Drop(_M_p);
    _M_p = kept;
    return *this;
}

// As the library's string does: the two swap.
__cow_string& __cow_string::operator=(__cow_string&& other) noexcept {
    std::swap(_M_p, other._M_p);
    return *this;
}

// The two roots. As with the library's, an exception moved from by
// construction is left with the empty message.
#define LIBRARY_EXCEPTION_ROOT(Class)                                                                 \
    Class::Class(const string& message) : _M_msg(message) {}                                          \
    Class::Class(const char* message) : _M_msg(message, std::strlen(message)) {}                      \
    Class::Class(const Class& other) noexcept : exception(other), _M_msg(other._M_msg) {}             \
    Class::Class(Class&& other) noexcept : exception(other), _M_msg(std::move(other._M_msg)) {}       \
    Class& Class::operator=(const Class& other) noexcept {                                            \
        _M_msg = other._M_msg;                                                                        \
        return *this;                                                                                 \
    }                                                                                                 \
    Class& Class::operator=(Class&& other) noexcept {                                                 \
        _M_msg = std::move(other._M_msg);                                                             \
        return *this;                                                                                 \
    }                                                                                                 \
    Class::~Class() noexcept {}                                                                       \
    const char* Class::what() const noexcept { return _M_msg._M_p ? _M_msg._M_p : ""; }

LIBRARY_EXCEPTION_ROOT(logic_error)
LIBRARY_EXCEPTION_ROOT(runtime_error)

#define LIBRARY_EXCEPTION(Class, Base)                                \
    Class::Class(const string& message) : Base(message) {}           \
    Class::Class(const char* message) : Base(message) {}             \
    Class::~Class() noexcept {}

LIBRARY_EXCEPTION(domain_error, logic_error)
LIBRARY_EXCEPTION(invalid_argument, logic_error)
LIBRARY_EXCEPTION(length_error, logic_error)
LIBRARY_EXCEPTION(out_of_range, logic_error)
LIBRARY_EXCEPTION(range_error, runtime_error)
LIBRARY_EXCEPTION(overflow_error, runtime_error)
LIBRARY_EXCEPTION(underflow_error, runtime_error)

#undef LIBRARY_EXCEPTION
#undef LIBRARY_EXCEPTION_ROOT

}  // namespace std
