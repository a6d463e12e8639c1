#include "ObjectInstance.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace ui {

namespace {

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

static_assert(sizeof(void*) == 4, "the callback stub is i386 code");

}  // namespace

TCallbackStub::TCallbackStub(void* context, const void* target) {
    void* block = VirtualAlloc(nullptr, kStubSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!block) throw std::bad_alloc();
    uint8_t code[kStubSize];
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
    try {
        if (self->method_) self->method_(message);
    } catch (...) {
        ApplicationHandleException(nullptr);
    }
    return message.Result;
}

THookInstance::THookInstance(const THookMethod& method)
    : method_(method), stub_(this, reinterpret_cast<const void*>(&THookInstance::Forward)) {}

LRESULT CALLBACK THookInstance::Forward(THookInstance* self, int code, WPARAM wParam, LPARAM lParam) {
    try {
        if (self->method_) return self->method_(code, wParam, lParam);
    } catch (...) {
        ApplicationHandleException(nullptr);
    }
    return 0;
}

}  // namespace ui
