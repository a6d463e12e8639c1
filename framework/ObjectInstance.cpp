#include "ObjectInstance.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>

#include "Boundary.h"

namespace ui {

namespace {

// The stub's code, written byte by byte.
class TCodeWriter {
public:
    explicit TCodeWriter(uint8_t* at) : at_(at) {}
    TCodeWriter& Bytes(std::initializer_list<uint8_t> bytes) {
        at_ = std::copy(bytes.begin(), bytes.end(), at_);
        return *this;
    }
    template <typename Word>
    TCodeWriter& Immediate(const void* value) {
        const Word word = static_cast<Word>(reinterpret_cast<uintptr_t>(value));
        std::memcpy(at_, &word, sizeof word);
        at_ += sizeof word;
        return *this;
    }

private:
    uint8_t* at_;
};

constexpr size_t kStubSize = 32;  // the longest of the stubs below

#if defined(__x86_64__) || defined(_M_X64)
// x86-64, the arguments in rcx, rdx, r8, r9.
void WriteStub(uint8_t* code, void* context, const void* target, TStubArguments arguments) {
    TCodeWriter writer(code);
    if (arguments == TStubArguments::InsertFirst)
        writer.Bytes({0x4D, 0x89, 0xC1})   // mov r9, r8
            .Bytes({0x49, 0x89, 0xD0})     // mov r8, rdx
            .Bytes({0x48, 0x89, 0xCA});    // mov rdx, rcx
    writer.Bytes({0x48, 0xB9}).Immediate<uint64_t>(context)  // mov rcx, <context>
        .Bytes({0x48, 0xB8}).Immediate<uint64_t>(target)    // mov rax, <target>
        .Bytes({0xFF, 0xE0});                               // jmp rax
}
#else
static_assert(sizeof(void*) == 4, "the callback stub is i386 or x86-64 code");

// i386, the arguments on the stack above the return address. The target,
// a stdcall function, removes what the caller pushed, plus the context
// when the stub inserted one, and returns straight to the caller.
void WriteStub(uint8_t* code, void* context, const void* target, TStubArguments arguments) {
    TCodeWriter writer(code);
    if (arguments == TStubArguments::ReplaceFirst)
        writer.Bytes({0xC7, 0x44, 0x24, 0x04}).Immediate<uint32_t>(context);  // mov dword [esp+4], <context>
    else
        writer.Bytes({0x58})                                   // pop  eax (the return address)
            .Bytes({0x68}).Immediate<uint32_t>(context)        // push <context>
            .Bytes({0x50});                                    // push eax
    writer.Bytes({0xB8}).Immediate<uint32_t>(target)  // mov eax, <target>
        .Bytes({0xFF, 0xE0});                         // jmp eax
}
#endif

}  // namespace

TCallbackStub::TCallbackStub(void* context, const void* target, TStubArguments arguments) {
    void* block = VirtualAlloc(nullptr, kStubSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!block) throw std::bad_alloc();
    uint8_t code[kStubSize] = {};
    WriteStub(code, context, target, arguments);
    std::memcpy(block, code, kStubSize);
    DWORD previous = 0;
    if (!VirtualProtect(block, kStubSize, PAGE_EXECUTE_READ, &previous)) {
        VirtualFree(block, 0, MEM_RELEASE);
        throw std::bad_alloc();
    }
    FlushInstructionCache(GetCurrentProcess(), block, kStubSize);
    code_ = block;
}

TCallbackStub::~TCallbackStub() {
    if (code_) VirtualFree(code_, 0, MEM_RELEASE);
}

TObjectInstance::TObjectInstance(const TWndMethod& method)
    : method_(method),
      stub_(this, reinterpret_cast<const void*>(&TObjectInstance::Forward), TStubArguments::ReplaceFirst) {}

LRESULT CALLBACK TObjectInstance::Forward(TObjectInstance* self, UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message = {msg, wParam, lParam, 0};
    // The method may free this instance: nothing of it is read afterwards.
    Boundary(nullptr, [&] {
        if (self->method_) self->method_(message);
    });
    return message.Result;
}

THookInstance::THookInstance(const THookMethod& method)
    : method_(method),
      stub_(this, reinterpret_cast<const void*>(&THookInstance::Forward), TStubArguments::InsertFirst) {}

LRESULT CALLBACK THookInstance::Forward(THookInstance* self, int code, WPARAM wParam, LPARAM lParam) {
    // The method may free this instance: nothing of it is read afterwards.
    return Boundary(nullptr, LRESULT(0), [&] { return self->method_ ? self->method_(code, wParam, lParam) : 0; });
}

}  // namespace ui
