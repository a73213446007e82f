# Writes the program's trampolines for the codec module: one x86-64 function
# per rz_* function the module exports, jumping through a slot that the
# loader fills on the first call (see moduleloader.cpp).
# cmake -DNM=<nm> -DMODULE=<module file> -DOUTPUT=<file.S> -P trampolines.cmake
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${MODULE}
                OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot list the exports of ${MODULE}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(names "")
foreach(line IN LISTS lines)
    if(line MATCHES "^([^ ]+) ([A-Za-z]) ")
        set(name ${CMAKE_MATCH_1})
        set(kind ${CMAKE_MATCH_2})
        if(NOT name MATCHES "^rz_[A-Za-z0-9_]+$")
            message(FATAL_ERROR "${MODULE} exports ${name}: it must export the rz_* calls alone")
        endif()
        if(NOT kind STREQUAL "T")
            message(FATAL_ERROR "${MODULE} exports ${name} of kind ${kind}: only functions can be bound on first use")
        endif()
        list(APPEND names ${name})
    endif()
endforeach()
list(SORT names)
list(LENGTH names count)
if(count EQUAL 0)
    message(FATAL_ERROR "${MODULE} exports no rz_* call")
endif()

set(text "/* Generated from the exports of the codec module; do not edit. */
    .text
")
set(table "")
set(index 0)
foreach(name IN LISTS names)
    math(EXPR offset "${index} * 8")
    string(APPEND text "
    .globl ${name}
    .type ${name}, @function
    .p2align 4
${name}:
    .cfi_startproc
    movq velmora_codec_slots+${offset}(%rip), %r11
    testq %r11, %r11
    jz 1f
    jmp *%r11
1:  movl $${index}, %r11d
    jmp velmora_codec_bind_and_go
    .cfi_endproc
    .size ${name}, .-${name}
")
    string(APPEND table "    .quad .Lname${index}\n")
    string(APPEND strings ".Lname${index}: .asciz \"${name}\"\n")
    math(EXPR index "${index} + 1")
endforeach()

# The slow road: keeps every register a call may pass arguments in (six
# integer, eight vector, %al for a variable argument count), asks the loader
# for the address (loading the module once), and jumps there with them.
string(APPEND text "
    .p2align 4
    .type velmora_codec_bind_and_go, @function
velmora_codec_bind_and_go:
    .cfi_startproc
    pushq %rbp
    .cfi_def_cfa_offset 16
    .cfi_offset %rbp, -16
    movq %rsp, %rbp
    .cfi_def_cfa_register %rbp
    subq $192, %rsp
    movq %rdi, 0(%rsp)
    movq %rsi, 8(%rsp)
    movq %rdx, 16(%rsp)
    movq %rcx, 24(%rsp)
    movq %r8, 32(%rsp)
    movq %r9, 40(%rsp)
    movq %rax, 48(%rsp)
    movq %r10, 56(%rsp)
    movdqa %xmm0, 64(%rsp)
    movdqa %xmm1, 80(%rsp)
    movdqa %xmm2, 96(%rsp)
    movdqa %xmm3, 112(%rsp)
    movdqa %xmm4, 128(%rsp)
    movdqa %xmm5, 144(%rsp)
    movdqa %xmm6, 160(%rsp)
    movdqa %xmm7, 176(%rsp)
    movl %r11d, %edi
    call velmora_codec_bind
    movq %rax, %r11
    movq 0(%rsp), %rdi
    movq 8(%rsp), %rsi
    movq 16(%rsp), %rdx
    movq 24(%rsp), %rcx
    movq 32(%rsp), %r8
    movq 40(%rsp), %r9
    movq 48(%rsp), %rax
    movq 56(%rsp), %r10
    movdqa 64(%rsp), %xmm0
    movdqa 80(%rsp), %xmm1
    movdqa 96(%rsp), %xmm2
    movdqa 112(%rsp), %xmm3
    movdqa 128(%rsp), %xmm4
    movdqa 144(%rsp), %xmm5
    movdqa 160(%rsp), %xmm6
    movdqa 176(%rsp), %xmm7
    leave
    .cfi_def_cfa %rsp, 8
    jmp *%r11
    .cfi_endproc
    .size velmora_codec_bind_and_go, .-velmora_codec_bind_and_go

    .globl velmora_codec_unavailable
    .hidden velmora_codec_unavailable
    .type velmora_codec_unavailable, @function
    .p2align 4
velmora_codec_unavailable:
    .cfi_startproc
    xorl %eax, %eax
    xorl %edx, %edx
    pxor %xmm0, %xmm0
    pxor %xmm1, %xmm1
    ret
    .cfi_endproc
    .size velmora_codec_unavailable, .-velmora_codec_unavailable

    .bss
    .p2align 3
    .globl velmora_codec_slots
    .hidden velmora_codec_slots
velmora_codec_slots:
    .zero ${count} * 8
    .size velmora_codec_slots, ${count} * 8

    .section .rodata
    .p2align 2
    .globl velmora_codec_slot_count
    .hidden velmora_codec_slot_count
velmora_codec_slot_count:
    .long ${count}
    .size velmora_codec_slot_count, 4
${strings}
    .section .data.rel.ro, \"aw\"
    .p2align 3
    .globl velmora_codec_names
    .hidden velmora_codec_names
velmora_codec_names:
${table}
    .section .note.GNU-stack, \"\", @progbits
")
file(WRITE ${OUTPUT}.new "${text}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
