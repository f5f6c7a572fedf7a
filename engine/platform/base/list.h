// Doubly linked lists between a head and a tail node that are never removed.
#pragma once
#include <cstdint>

namespace orvik {

struct ListNode {
    int32_t key = -1;
    void* data = nullptr;
    ListNode* previous = nullptr;
    ListNode* next = nullptr;
};

int InitList(ListNode* head, ListNode* tail);
// Links the new node right after the given one, with its key and data. -1 for a null
// node, or a given node that is the tail (nothing may follow it).
int AddListNode(ListNode* after, ListNode* node, int32_t key, void* data);
// -1 for a null node or one that is not linked on both sides (a head, a tail, or a node
// already removed).
int RemoveListNode(ListNode* node);

}  // namespace orvik
