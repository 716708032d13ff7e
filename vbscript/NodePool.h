// vbscript/NodePool.h: per-thread recycling of the parser's tree nodes. Every filter run
// parses its script afresh and drops the tree after, and reusing a few hundred nodes costs
// far less than a round trip through the general allocator for each.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

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
    };
    // Every thread's list, kept here so that the blocks are freed when the library is
    // unloaded (or the process ends), including those of threads that have gone.
    class Lists {
    public:
        FreeList* Adopt() {
            std::lock_guard<std::mutex> guard(lock_);
            lists_.push_back(std::make_unique<FreeList>());
            return lists_.back().get();
        }
        ~Lists() {
            for (auto& list : lists_) {
                while (list->head != nullptr) {
                    Block* next = list->head->next;
                    ::operator delete(list->head);
                    list->head = next;
                }
            }
        }

    private:
        std::mutex lock_;
        std::vector<std::unique_ptr<FreeList>> lists_;
    };
    static FreeList& List() {
        static Lists all;
        // A plain pointer: a thread-local object with a destructor would register a
        // thread-exit hook, and the C library then refuses to unload the plug-in while
        // the thread lives (the host's own threads, for ever).
        thread_local FreeList* list = nullptr;
        if (list == nullptr) list = all.Adopt();
        return *list;
    }
};

}  // namespace vbscript
