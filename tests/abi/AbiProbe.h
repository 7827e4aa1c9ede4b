#pragma once

// Calls an exported member function the way MSVC-built code does (this in ECX,
// arguments pushed right to left, the callee pops them) and reports what the
// callee left behind: the stack pointer, the registers MSVC's callers expect
// preserved, and EAX. For programs built in MSVC mode for i686.

struct ProbeResult {
    int StackDelta;         // bytes the stack pointer moved across the call; 0 when the callee popped its arguments
    unsigned Eax;           // the result register
    bool CalleeSavedIntact; // EBX, ESI, EDI and EBP as they were before the call
};

extern "C" unsigned g_probeEspBefore, g_probeEspAfter, g_probeEax, g_probeFrame, g_probeTarget;
extern "C" unsigned g_probeEbx, g_probeEsi, g_probeEdi, g_probeEbp;

// Before the call EAX holds 0xEAAEAAEA and the callee-saved registers fixed
// markers, so a result or a preserved register that the callee never wrote
// cannot pass by luck.
asm(R"(
    .text
    .globl _ProbeThiscallRaw
_ProbeThiscallRaw:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl %ebp, _g_probeFrame
    movl 8(%ebp), %eax
    movl %eax, _g_probeTarget
    movl 16(%ebp), %esi
    movl 20(%ebp), %ecx
    movl %esp, _g_probeEspBefore
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl 12(%ebp), %ecx
    movl $0x0BB0BB0B, %ebx
    movl $0x05105105, %esi
    movl $0x0D10D10D, %edi
    movl $0x0EB0EB0E, %ebp
    movl $0xEAAEAAEA, %eax
    call *_g_probeTarget
    movl %eax, _g_probeEax
    movl %esp, _g_probeEspAfter
    movl %ebx, _g_probeEbx
    movl %esi, _g_probeEsi
    movl %edi, _g_probeEdi
    movl %ebp, _g_probeEbp
    movl _g_probeFrame, %ebp
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

extern "C" void __cdecl ProbeThiscallRaw(const void* function, void* self, const unsigned* arguments,
                                         unsigned count);

inline ProbeResult ProbeThiscall(const void* function, void* self, const unsigned* arguments, unsigned count)
{
    ProbeThiscallRaw(function, self, arguments, count);
    ProbeResult result;
    result.StackDelta = static_cast<int>(g_probeEspAfter - g_probeEspBefore);
    result.Eax = g_probeEax;
    result.CalleeSavedIntact = g_probeEbx == 0x0BB0BB0B && g_probeEsi == 0x05105105 && g_probeEdi == 0x0D10D10D &&
                               g_probeEbp == 0x0EB0EB0E;
    return result;
}

// The address of an imported member function, through its import entry.
template <typename Member>
const void* AddressOf(Member member)
{
    static_assert(sizeof(Member) == sizeof(void*), "a single-inheritance member pointer is the address");
    const void* address;
    __builtin_memcpy(&address, &member, sizeof address);
    return address;
}
