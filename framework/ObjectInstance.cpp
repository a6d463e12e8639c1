#include "ObjectInstance.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>

#include "Boundary.h"

namespace ui {

namespace {

#if defined(__x86_64__) || defined(_M_X64)
// x86-64 code of the stub, for callbacks of at most four arguments (in
// rcx, rdx, r8, r9): a frame of its own, the arguments moved one place on
// (the fourth to the stack), the context first, the target called, its
// answer returned.
//   sub  rsp, 0x38          ; shadow space, the fifth argument, alignment
//   mov  [rsp+0x20], r9
//   mov  r9, r8
//   mov  r8, rdx
//   mov  rdx, rcx
//   mov  rcx, <context>
//   mov  rax, <target>
//   call rax
//   add  rsp, 0x38
//   ret
constexpr uint8_t kStubHead[] = {0x48, 0x83, 0xEC, 0x38, 0x4C, 0x89, 0x4C, 0x24, 0x20, 0x4D, 0x89, 0xC1,
                                 0x49, 0x89, 0xD0, 0x48, 0x89, 0xCA, 0x48, 0xB9};
constexpr uint8_t kMovRaxImm64[] = {0x48, 0xB8};
constexpr uint8_t kStubTail[] = {0xFF, 0xD0, 0x48, 0x83, 0xC4, 0x38, 0xC3};
constexpr size_t kStubSize = sizeof kStubHead + 8 + sizeof kMovRaxImm64 + 8 + sizeof kStubTail;

void WriteStub(uint8_t* code, void* context, const void* target) {
    const uint64_t contextWord = reinterpret_cast<uintptr_t>(context);
    const uint64_t targetWord = reinterpret_cast<uintptr_t>(target);
    uint8_t* at = code;
    at = std::copy(std::begin(kStubHead), std::end(kStubHead), at);
    std::memcpy(at, &contextWord, 8);
    at = std::copy(std::begin(kMovRaxImm64), std::end(kMovRaxImm64), at + 8);
    std::memcpy(at, &targetWord, 8);
    std::copy(std::begin(kStubTail), std::end(kStubTail), at + 8);
}
#else
// i386 code of the stub:
//   pop  eax            ; the caller's return address
//   push <context>      ; becomes the target's first argument
//   push eax            ; the return address again, below it
//   mov  eax, <target>
//   jmp  eax
// The target, a stdcall function of one argument more, removes the context
// with the caller's arguments and returns straight to the caller.
constexpr uint8_t kPopEax = 0x58, kPushImm32 = 0x68, kPushEax = 0x50, kMovEaxImm32 = 0xB8;
constexpr uint8_t kJmpEax[2] = {0xFF, 0xE0};
constexpr size_t kStubSize = 14;

static_assert(sizeof(void*) == 4, "the callback stub is i386 or x86-64 code");

void WriteStub(uint8_t* code, void* context, const void* target) {
    const uint32_t contextWord = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(context));
    const uint32_t targetWord = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(target));
    code[0] = kPopEax;
    code[1] = kPushImm32;
    std::memcpy(code + 2, &contextWord, 4);
    code[6] = kPushEax;
    code[7] = kMovEaxImm32;
    std::memcpy(code + 8, &targetWord, 4);
    code[12] = kJmpEax[0];
    code[13] = kJmpEax[1];
}
#endif

}  // namespace

TCallbackStub::TCallbackStub(void* context, const void* target) {
    void* block = VirtualAlloc(nullptr, kStubSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!block) throw std::bad_alloc();
    uint8_t code[kStubSize];
    WriteStub(code, context, target);
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
    : method_(method), stub_(this, reinterpret_cast<const void*>(&TObjectInstance::Forward)) {}

LRESULT CALLBACK TObjectInstance::Forward(TObjectInstance* self, HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message = {msg, wParam, lParam, 0};
    Boundary(nullptr, [&] {
        if (self->method_) self->method_(message);
    });
    return message.Result;
}

THookInstance::THookInstance(const THookMethod& method)
    : method_(method), stub_(this, reinterpret_cast<const void*>(&THookInstance::Forward)) {}

LRESULT CALLBACK THookInstance::Forward(THookInstance* self, int code, WPARAM wParam, LPARAM lParam) {
    return Boundary(nullptr, LRESULT(0), [&] { return self->method_ ? self->method_(code, wParam, lParam) : 0; });
}

}  // namespace ui
