// The owning list: what delete, detach and adopt do to the elements, the
// moves between lists that cannot fail, and all-or-nothing loading.
#include "model/ownedlist.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace qzn;

namespace {

// Counts the elements alive, so a test sees every delete and every leak.
struct Item {
  static inline int alive = 0;
  int value;
  explicit Item(int v = 0) : value(v) { ++alive; }
  ~Item() { --alive; }
  Item(const Item&) = delete;
  Item& operator=(const Item&) = delete;
};

std::vector<int> Values(const COwningList<Item>& list) {
  std::vector<int> out;
  for (const Item* i : list) out.push_back(i ? i->value : -1);
  return out;
}

class OwningList : public ::testing::Test {
 protected:
  void SetUp() override { Item::alive = 0; }
  void TearDown() override { EXPECT_EQ(Item::alive, 0) << "an element leaked or was deleted twice"; }
};

TEST_F(OwningList, DeleteDetachAndAdoptSayWhatHappensToTheElements) {
  auto* kept = new Item(9);
  {
    COwningList<Item> list;
    list.New(1);
    list.Adopt(new Item(2));
    list.AdoptHead(new Item(0));
    list.AdoptAfter(list.GetHeadPosition(), new Item(5));
    list.AdoptBefore(list.GetTailPosition(), new Item(7));
    EXPECT_EQ(Values(list), (std::vector<int>{0, 5, 1, 7, 2}));
    EXPECT_EQ(Item::alive, 5 + 1);

    list.DeleteAt(list.FindIndex(1));  // 5 is gone
    EXPECT_EQ(Item::alive, 4 + 1);
    Item* taken = list.Detach(list.GetHeadPosition());  // the caller owns 0 now
    EXPECT_EQ(taken->value, 0);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 7, 2}));
    delete taken;

    // Borrowed for a moment and forgotten again: never deleted by the list.
    list.Adopt(kept);
    list.Detach(list.Find(kept));
    list.Adopt(kept);
    const std::vector<Item*> forgotten(list.begin(), list.end());
    list.DetachAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(Item::alive, 3 + 1);  // 1, 7, 2 and the kept one: forgotten, not deleted
    for (Item* i : forgotten)
      if (i != kept) delete i;
    list.Adopt(new Item(3));
  }  // destruction deletes what the list still holds
  EXPECT_EQ(Item::alive, 1);
  delete kept;
}

TEST_F(OwningList, MovesBetweenListsKeepOrderAndOwnership) {
  COwningList<Item> a, b;
  for (int v : {1, 2, 3, 4}) a.New(v);
  for (int v : {10, 11}) b.New(v);
  // Every other element moves over; positions stay valid during the walk.
  for (POSITION pos = a.GetHeadPosition(); pos;) {
    const POSITION at = pos;
    if (a.GetNext(pos)->value % 2 == 0) a.TransferTo(at, b);
  }
  EXPECT_EQ(Values(a), (std::vector<int>{1, 3}));
  EXPECT_EQ(Values(b), (std::vector<int>{10, 11, 2, 4}));
  a.TransferTo(a.GetHeadPosition(), a);  // to its own end
  EXPECT_EQ(Values(a), (std::vector<int>{3, 1}));

  b.AdoptAll(a);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(b.GetCount(), 6);
  EXPECT_EQ(Values(b), (std::vector<int>{10, 11, 2, 4, 3, 1}));
  b.AdoptAll(a);  // an empty list adds nothing
  EXPECT_EQ(b.GetCount(), 6);
  a.New(8);
  a.AdoptAll(a);  // itself: nothing changes
  EXPECT_EQ(Values(a), (std::vector<int>{8}));
  a.Adopt(b.DetachTail());
  EXPECT_EQ(Values(a), (std::vector<int>{8, 1}));
  EXPECT_EQ(a.GetTail()->value, 1);
  EXPECT_EQ(b.GetTail()->value, 3);
}

TEST_F(OwningList, ReorderKeepsTheGivenElementsInTheirNewOrder) {
  COwningList<Item> list;
  std::vector<Item*> items;
  for (int v : {1, 2, 3, 4, 5}) items.push_back(list.New(v));
  delete items[1];  // the caller deleted 2 and keeps the rest reversed
  list.Reorder({items[4], items[3], items[2], items[0]});
  EXPECT_EQ(Values(list), (std::vector<int>{5, 4, 3, 1}));
  list.Reorder({});
  EXPECT_TRUE(list.IsEmpty());
  for (Item* i : {items[0], items[2], items[3], items[4]}) delete i;
}

TEST_F(OwningList, LoadingIsAllOrNothing) {
  COwningList<Item> target;
  target.New(1);
  // A read that fails half-way: the target keeps what it had, what was read
  // is deleted.
  EXPECT_THROW(LoadAllOrNothing(target,
                                [](COwningList<Item>& staged) {
                                  staged.New(2);
                                  staged.New(3);
                                  throw std::runtime_error("damaged");
                                }),
               std::runtime_error);
  EXPECT_EQ(Values(target), std::vector<int>{1});
  EXPECT_EQ(Item::alive, 1);
  // A whole read is appended.
  LoadAllOrNothing(target, [](COwningList<Item>& staged) {
    staged.New(2);
    staged.Adopt(nullptr);  // null entries are kept as they were read
  });
  EXPECT_EQ(Values(target), (std::vector<int>{1, 2, -1}));
}

}  // namespace
