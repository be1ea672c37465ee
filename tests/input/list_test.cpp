#include <gtest/gtest.h>

#include <vector>

#include "foundation/memory.h"
#include "input/list.h"

namespace {

std::vector<int> destroyed;

void record_destroy(void* payload) { destroyed.push_back(*static_cast<int*>(payload)); }

std::vector<int> values(List* list) {
    std::vector<int> out;
    for (ListNode* n = list->next; n->kind != LIST_KIND_SENTINEL; n = n->next)
        out.push_back(*static_cast<int*>(n->payload));
    return out;
}

int32_t equals(void* payload, void* key) {
    return *static_cast<int*>(payload) == *static_cast<int*>(key);
}

// Returns a value whose low 8 bits are zero although it is non-zero.
int32_t only_high_bits(void*, void*) { return 0x100; }

}  // namespace

TEST(List, InsertsAppendsAndWalksInOrder) {
    int v[5] = {1, 2, 3, 4, 5};
    List* list = list_create();
    EXPECT_EQ(list->next, list);
    EXPECT_EQ(list->prev, list);
    EXPECT_EQ(list_count(list), 0);
    EXPECT_EQ(list_head(list), nullptr);
    EXPECT_EQ(list_tail(list), nullptr);
    EXPECT_EQ(list_end(list), list);

    list_append(list, list_node_create(&v[1], 10));
    list_append(list, list_node_create(&v[2], 10));
    list_insert_head(list, list_node_create(&v[0], 10));
    ListNode* four = list_node_create(&v[3], 10);
    list_insert_after(list_tail(list), four);
    list_insert_before(four, list_node_create(&v[4], 10));
    EXPECT_EQ(values(list), (std::vector<int>{1, 2, 3, 5, 4}));
    EXPECT_EQ(list_count(list), 5);
    EXPECT_EQ(list_tail(list), four);
    EXPECT_EQ(list_nth(list, 0)->payload, &v[0]);
    EXPECT_EQ(list_nth(list, 3)->payload, &v[4]);
    EXPECT_EQ(list_nth(list, 5), nullptr);
    EXPECT_EQ(list_nth(list, -1), nullptr);
    // Backward links agree with forward ones.
    std::vector<int> back;
    for (ListNode* n = list->prev; n != list; n = n->prev)
        back.push_back(*static_cast<int*>(n->payload));
    EXPECT_EQ(back, (std::vector<int>{4, 5, 3, 2, 1}));

    list_unlink(four);
    EXPECT_EQ(four->next, nullptr);
    EXPECT_EQ(values(list), (std::vector<int>{1, 2, 3, 5}));
    dru_free(four);
    list_destroy(list, nullptr);
}

TEST(List, FindUsesOnlyTheLowByteOfThePredicate) {
    int v[3] = {7, 8, 7};
    List* list = list_create();
    for (int& x : v) list_append(list, list_node_create(&x, 10));
    int key = 7;
    EXPECT_EQ(list_find(list, equals, &key), list->next);  // first match from the head
    key = 9;
    EXPECT_EQ(list_find(list, equals, &key), nullptr);
    EXPECT_EQ(list_find(list, only_high_bits, nullptr), nullptr);
    list_destroy(list, nullptr);
}

TEST(List, WalksStopAtTheFirstKindZeroNode) {
    int v[3] = {1, 2, 3};
    List* list = list_create();
    list_append(list, list_node_create(&v[0], 10));
    ListNode* stop = list_node_create(&v[1], LIST_KIND_SENTINEL);
    list_append(list, stop);
    list_insert_after(stop, list_node_create(&v[2], 10));
    EXPECT_EQ(list_count(list), 1);
    EXPECT_EQ(list_end(list), stop);
    int key = 3;
    EXPECT_EQ(list_find(list, equals, &key), nullptr);
    // Appending goes before the first kind-0 node, not before the sentinel.
    int four = 4;
    list_append(list, list_node_create(&four, 10));
    EXPECT_EQ(stop->prev->payload, &four);
    // Tidy up by hand: the walk would stop at `stop`.
    ListNode* after = stop->next;
    list_unlink(after);
    list_unlink(stop);
    dru_free(after);
    dru_free(stop);
    list_destroy(list, nullptr);
}

TEST(List, DestroyKeepsBorrowedNodesAndCallsTheDestructorOnEveryPayload) {
    int v[3] = {1, 2, 3};
    List* list = list_create();
    ListNode borrowed{&v[1], nullptr, nullptr, LIST_KIND_BORROWED};
    list_append(list, list_node_create(&v[0], 10));
    list_append(list, &borrowed);
    list_append(list, list_node_create(&v[2], 5));
    destroyed.clear();
    list_destroy(list, record_destroy);  // ASan reports a double or bad free of `borrowed`
    EXPECT_EQ(destroyed, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(borrowed.next, nullptr);

    // list_remove frees the node but hands the payload to the destructor.
    List* other = list_create();
    list_append(other, list_node_create(&v[0], 10));
    list_append(other, list_node_create(&v[2], 10));
    destroyed.clear();
    list_remove(list_head(other), record_destroy);
    EXPECT_EQ(destroyed, (std::vector<int>{1}));
    EXPECT_EQ(values(other), (std::vector<int>{3}));
    list_destroy(other, nullptr);
}

TEST(List, NullListsAreIgnored) {
    int v = 1;
    EXPECT_EQ(list_count(nullptr), 0);
    EXPECT_EQ(list_find(nullptr, equals, &v), nullptr);
    EXPECT_EQ(list_end(nullptr), nullptr);
    EXPECT_EQ(list_head(nullptr), nullptr);
    EXPECT_EQ(list_tail(nullptr), nullptr);
    EXPECT_EQ(list_nth(nullptr, 0), nullptr);
    list_destroy(nullptr, record_destroy);
    ListNode* n = list_node_create(&v, 10);
    list_append(nullptr, n);
    list_insert_head(nullptr, n);
    EXPECT_EQ(n->next, nullptr);
    list_unlink(n);  // detached: nothing to do
    list_remove(nullptr, record_destroy);
    dru_free(n);
}
