// Intrusive circular doubly-linked list with a sentinel.
//
// A List is its sentinel node: kind 0, null payload, prev and next pointing to
// itself when empty. Every walk stops at the first kind-0 node met.
//
//   list_create()                    new empty list (sentinel).
//   list_node_create(payload, kind)  detached node (prev/next null).
//   list_count(list)                 nodes between the sentinel and the next kind-0 node.
//   list_destroy(list, destroy)      unlinks every node; frees each node unless its kind
//                                    is LIST_KIND_BORROWED, then destroy(payload) (when
//                                    destroy is non-null); finally frees the sentinel
//                                    unless it is LIST_KIND_BORROWED.
//   list_find(list, pred, key)       first node from the head with pred(payload, key)
//                                    non-zero in its low 8 bits; null when none.
//   list_end(list)                   the first kind-0 node reached from the head; appending
//                                    means inserting before it.
//   list_head(list)/list_tail(list)  first/last node, null when empty.
//   list_nth(list, n)                the n-th node from the head (0-based), null past the end.
//   list_insert_head(list, node)     node directly after the sentinel.
//   list_append(list, node)          node directly before list_end(list).
//   list_insert_after(at, node), list_insert_before(at, node)
//   list_unlink(node)                takes the node out; its prev/next become null.
//   list_remove(node, destroy)       unlink, free the node unless LIST_KIND_BORROWED,
//                                    then destroy(payload) when destroy is non-null.
//
// Every operation accepts a null list (or node) and then does nothing, returns 0
// or returns null. Nodes and sentinels come from dru_alloc_memory.
#pragma once
#include <cstdint>

struct ListNode {
    void* payload;
    ListNode* prev;
    ListNode* next;
    int32_t kind;
};
using List = ListNode;

enum : int32_t {
    LIST_KIND_SENTINEL = 0,
    LIST_KIND_BORROWED = 2,  // node owned elsewhere: never freed by the list
    LIST_KIND_KEY_BINDING = 5,
    LIST_KIND_REGION = 6,
    LIST_KIND_DIR_ENTRY = 9,
    LIST_KIND_ENTRY = 10,  // playlist entry
    LIST_KIND_TASK = 10,
};

using ListPredicate = int32_t (*)(void* payload, void* key);
using ListDestructor = void (*)(void* payload);

[[nodiscard]] ListNode* list_create();
[[nodiscard]] ListNode* list_node_create(void* payload, int32_t kind);
int32_t list_count(const ListNode* list);
void list_destroy(ListNode* list, ListDestructor destroy);
ListNode* list_find(ListNode* list, ListPredicate predicate, void* key);
ListNode* list_end(ListNode* list);
ListNode* list_head(ListNode* list);
ListNode* list_tail(ListNode* list);
ListNode* list_nth(ListNode* list, int32_t n);
void list_insert_head(ListNode* list, ListNode* node);
void list_append(ListNode* list, ListNode* node);
void list_insert_after(ListNode* at, ListNode* node);
void list_insert_before(ListNode* at, ListNode* node);
void list_unlink(ListNode* node);
void list_remove(ListNode* node, ListDestructor destroy);
