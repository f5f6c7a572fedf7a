#include "engine/platform/base/list.h"

namespace orvik {

int InitList(ListNode* head, ListNode* tail) {
    if (!head || !tail) return -1;
    *head = ListNode{-1, nullptr, nullptr, tail};
    *tail = ListNode{-1, nullptr, head, nullptr};
    return 0;
}

int AddListNode(ListNode* after, ListNode* node, int32_t key, void* data) {
    if (!after || !node || !after->next) return -1;
    node->key = key;
    node->data = data;
    node->previous = after;
    node->next = after->next;
    after->next->previous = node;
    after->next = node;
    return 0;
}

int RemoveListNode(ListNode* node) {
    if (!node || !node->previous || !node->next) return -1;
    node->previous->next = node->next;
    node->next->previous = node->previous;
    node->previous = nullptr;
    node->next = nullptr;
    return 0;
}

}  // namespace orvik
