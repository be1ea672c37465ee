#include "input/list.h"

#include "foundation/memory.h"

ListNode* list_create() {
    ListNode* sentinel = dru_alloc_array<ListNode>(1);
    sentinel->prev = sentinel;
    sentinel->next = sentinel;
    sentinel->kind = LIST_KIND_SENTINEL;
    return sentinel;
}

ListNode* list_node_create(void* payload, int32_t kind) {
    ListNode* node = dru_alloc_array<ListNode>(1);
    node->payload = payload;
    node->kind = kind;
    return node;
}

int32_t list_count(const ListNode* list) {
    if (!list) return 0;
    int32_t count = 0;
    for (const ListNode* n = list->next; n && n->kind != LIST_KIND_SENTINEL; n = n->next) count++;
    return count;
}

void list_destroy(ListNode* list, ListDestructor destroy) {
    if (!list) return;
    ListNode* n = list->next;
    while (n && n->kind != LIST_KIND_SENTINEL) {
        ListNode* next = n->next;
        void* payload = n->payload;
        list_unlink(n);
        if (n->kind != LIST_KIND_BORROWED) dru_free(n);
        if (destroy) destroy(payload);
        n = next;
    }
    if (list->kind != LIST_KIND_BORROWED) dru_free(list);
}

ListNode* list_find(ListNode* list, ListPredicate predicate, void* key) {
    if (!list || !predicate) return nullptr;
    for (ListNode* n = list->next; n && n->kind != LIST_KIND_SENTINEL; n = n->next) {
        if (static_cast<uint8_t>(predicate(n->payload, key)) != 0) return n;
    }
    return nullptr;
}

ListNode* list_end(ListNode* list) {
    if (!list) return nullptr;
    ListNode* n = list->next;
    while (n && n->kind != LIST_KIND_SENTINEL) n = n->next;
    return n;
}

ListNode* list_head(ListNode* list) {
    if (!list || !list->next || list->next->kind == LIST_KIND_SENTINEL) return nullptr;
    return list->next;
}

ListNode* list_tail(ListNode* list) {
    ListNode* end = list_end(list);
    if (!end || !end->prev || end->prev->kind == LIST_KIND_SENTINEL) return nullptr;
    return end->prev;
}

ListNode* list_nth(ListNode* list, int32_t n) {
    if (!list || n < 0) return nullptr;
    for (ListNode* node = list->next; node && node->kind != LIST_KIND_SENTINEL; node = node->next) {
        if (n-- == 0) return node;
    }
    return nullptr;
}

void list_insert_after(ListNode* at, ListNode* node) {
    if (!at || !node) return;
    node->prev = at;
    node->next = at->next;
    at->next->prev = node;
    at->next = node;
}

void list_insert_before(ListNode* at, ListNode* node) {
    if (!at || !node) return;
    list_insert_after(at->prev, node);
}

void list_insert_head(ListNode* list, ListNode* node) { list_insert_after(list, node); }

void list_append(ListNode* list, ListNode* node) { list_insert_before(list_end(list), node); }

void list_unlink(ListNode* node) {
    if (!node || !node->prev || !node->next) return;
    node->prev->next = node->next;
    node->next->prev = node->prev;
    node->prev = nullptr;
    node->next = nullptr;
}

void list_remove(ListNode* node, ListDestructor destroy) {
    if (!node) return;
    void* payload = node->payload;
    list_unlink(node);
    if (node->kind != LIST_KIND_BORROWED) dru_free(node);
    if (destroy) destroy(payload);
}
