// vbscript/NodePool.h: per-thread recycling of the parser's tree nodes. Every filter run
// parses its script afresh and drops the tree after, and reusing a few hundred nodes costs
// far less than a round trip through the general allocator for each.
#pragma once

#include <cstddef>
#include <new>

namespace vbscript {

// Blocks of one size, free for the calling thread to reuse. At most kMaxFree wait, so that
// one huge program does not pin its memory for the thread's life. Under AddressSanitizer
// blocks go straight back to the allocator, so that a use after free is still caught.
template <size_t Size>
class NodePool {
public:
    static void* Take() {
#ifndef __SANITIZE_ADDRESS__
        FreeList& list = List();
        if (list.head != nullptr) {
            Block* block = list.head;
            list.head = block->next;
            --list.count;
            return block;
        }
#endif
        return ::operator new(Size);
    }

    static void Give(void* memory) {
#ifndef __SANITIZE_ADDRESS__
        FreeList& list = List();
        if (list.count < kMaxFree) {
            auto* block = static_cast<Block*>(memory);
            block->next = list.head;
            list.head = block;
            ++list.count;
            return;
        }
#endif
        ::operator delete(memory);
    }

private:
    static_assert(Size >= sizeof(void*));
    static constexpr size_t kMaxFree = 4096;

    struct Block {
        Block* next;
    };
    struct FreeList {
        Block* head = nullptr;
        size_t count = 0;
        ~FreeList() {
            while (head != nullptr) {
                Block* next = head->next;
                ::operator delete(head);
                head = next;
            }
            count = 0;
        }
    };
    static FreeList& List() {
        thread_local FreeList list;
        return list;
    }
};

}  // namespace vbscript
