// The standard exception classes as the shipped launcher defines them
// (launcher/LibraryReplacements.cpp): linked here in place of the
// library's own, they must keep each type, give back each message, share
// it between copies and free it once. A plain program, not a GoogleTest
// one: GoogleTest's own use of the library would bring the library's
// definitions back in beside these. Exit code 0 when every case holds.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

// Blocks handed out and not yet given back: a miscounted message shows here.
long liveBlocks = 0;

int failures = 0;

void Check(bool ok, const char* what, const char* detail = "") {
    if (ok) return;
    ++failures;
    std::printf("FAILED: %s %s\n", what, detail);
}

template <typename T>
void DirectCase(const char* name, bool isLogic) {
    const std::string text = std::string("message of ") + name;
    {
        T fromChars(text.c_str());
        T fromString(text);
        Check(std::strcmp(fromChars.what(), text.c_str()) == 0, name, "what() of the text");
        Check(std::strcmp(fromString.what(), text.c_str()) == 0, name, "what() of the std::string");
        Check(typeid(fromChars) == typeid(T), name, "dynamic type");
    }
    // The class's type information names its root, which the catch uses.
    bool caughtAsLogic = false;
    try {
        throw T(text.c_str());
    } catch (const std::logic_error&) {
        caughtAsLogic = true;
    } catch (const std::runtime_error&) {
    }
    Check(caughtAsLogic == isLogic, name, "caught by its root class");
    try {
        throw T(text);
    } catch (const std::exception& e) {
        Check(typeid(e) == typeid(T), name, "type caught as std::exception");
        Check(std::strcmp(e.what(), text.c_str()) == 0, name, "message caught as std::exception");
    }
}

// What the library itself throws through its helpers.
struct TLibraryCase {
    const char* Name;
    std::function<void()> Throw;
    const std::type_info& Type;
    const char* InMessage;
};

}  // namespace

// Each block carries its size, and is overwritten when given back: a
// message read after its block went shows as garbage, not as the text.
void* operator new(std::size_t size) {
    auto* block = static_cast<std::size_t*>(std::malloc(size + 2 * sizeof(std::size_t)));
    if (!block) throw std::bad_alloc();
    ++liveBlocks;
    block[0] = size;
    return block + 2;
}

void operator delete(void* memory) noexcept {
    if (!memory) return;
    --liveBlocks;
    std::size_t* block = static_cast<std::size_t*>(memory) - 2;
    std::memset(memory, 0xDD, block[0]);
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

int main() {
    const long startBlocks = liveBlocks;

    DirectCase<std::logic_error>("logic_error", true);
    DirectCase<std::domain_error>("domain_error", true);
    DirectCase<std::invalid_argument>("invalid_argument", true);
    DirectCase<std::length_error>("length_error", true);
    DirectCase<std::out_of_range>("out_of_range", true);
    DirectCase<std::runtime_error>("runtime_error", false);
    DirectCase<std::range_error>("range_error", false);
    DirectCase<std::overflow_error>("overflow_error", false);
    DirectCase<std::underflow_error>("underflow_error", false);

    {
        // Copies, assignments and moves share the text; each stays readable
        // after the others are gone. Moved from by construction, one has the
        // empty message, as the library's own has (the check passes against
        // either).
        auto* original = new std::runtime_error(std::string(1000, 'x'));
        std::runtime_error copy(*original);
        std::runtime_error assigned("short");
        assigned = *original;
        std::runtime_error moved(std::move(*original));
        Check(std::strcmp(original->what(), "") == 0, "moved-from", "has the empty message");
        std::runtime_error moveAssigned("short");
        moveAssigned = std::move(moved);
        Check(std::string(moveAssigned.what()) == std::string(1000, 'x'), "move assignment", "takes the message");
        moved = moveAssigned;
        delete original;
        Check(std::string(copy.what()) == std::string(1000, 'x'), "copy", "outlives the original");
        Check(std::string(assigned.what()) == std::string(1000, 'x'), "assignment", "takes the message");
        Check(std::string(moved.what()) == std::string(1000, 'x'), "move", "takes the message");
        assigned = assigned;
        Check(std::strlen(assigned.what()) == 1000, "self-assignment", "keeps the message");
        std::logic_error empty("");
        Check(std::strcmp(empty.what(), "") == 0, "empty message", "");
    }

    {
        std::exception_ptr saved;
        try {
            throw std::length_error("kept in an exception_ptr");
        } catch (...) {
            saved = std::current_exception();
        }
        try {
            std::rethrow_exception(saved);
        } catch (const std::logic_error& e) {
            Check(typeid(e) == typeid(std::length_error), "exception_ptr", "type");
            Check(std::strcmp(e.what(), "kept in an exception_ptr") == 0, "exception_ptr", "message");
        }
    }

    const char* volatile noText = nullptr;
    const TLibraryCase libraryCases[] = {
        {"string::substr past the end", [] { (void)std::string("abc").substr(5); }, typeid(std::out_of_range),
         "substr"},
        {"vector::at past the end", [] { (void)std::vector<int>(2).at(7); }, typeid(std::out_of_range), "7"},
        {"string grown past max_size", [] { std::string s; s.reserve(s.max_size() + 1); },
         typeid(std::length_error), "basic_string"},
        {"vector grown past max_size", [] { std::vector<int> v; v.reserve(v.max_size() + 1); },
         typeid(std::length_error), "vector"},
        {"string from a null pointer", [&] { std::string s(noText); }, typeid(std::logic_error), "null"},
        {"stoi of a letter", [] { (void)std::stoi("x"); }, typeid(std::invalid_argument), "stoi"},
        {"stoi past int", [] { (void)std::stoi("99999999999"); }, typeid(std::out_of_range), "stoi"},
    };
    for (const TLibraryCase& c : libraryCases) {
        bool thrown = false;
        try {
            c.Throw();
        } catch (const std::exception& e) {
            thrown = true;
            Check(typeid(e) == c.Type, c.Name, "type");
            Check(std::strstr(e.what(), c.InMessage) != nullptr, c.Name, e.what());
        }
        Check(thrown, c.Name, "nothing thrown");
    }

    char blocks[64];
    std::snprintf(blocks, sizeof blocks, "%ld blocks not given back", liveBlocks - startBlocks);
    Check(liveBlocks == startBlocks, "messages", blocks);
    if (failures == 0) std::printf("all cases hold\n");
    return failures == 0 ? 0 : 1;
}
