#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarquel {

// The triggers, each read from its last byte to its first, as one trie. Walking it backwards
// from the end of the typed text meets exactly the triggers that end that text, shortest
// first, so a key costs at most one step per buffered character however large the table is.
//
// The trie is nothing but one open-addressing hash table of its edges, keyed by (parent node,
// byte): a step costs the same whatever a node's fan-out, and a probe reads only the table. A
// node is a number that stays put while the table grows, shrinks or shifts entries back over
// an erased one, so growing moves each edge once and reads nothing else.
//
// Where only one trigger lies below an edge, the edge is a leaf that points at that trigger
// instead of spelling out the rest of it node by node: most triggers differ from all others
// within their last few bytes, so this keeps the table several times smaller and quicker to
// build. A leaf is checked by comparing its whole trigger with the typed text.
class MatcherIndex {
 public:
  // Longer triggers could never end the typed buffer (50 characters of at most four bytes of
  // UTF-8 each); the table keeps them out of the index.
  static constexpr std::size_t LongestIndexedTrigger = 200;

  MatcherIndex() = default;
  // The index points into the strings it was given; a copy would point into another table's.
  MatcherIndex(const MatcherIndex&) = delete;
  MatcherIndex& operator=(const MatcherIndex&) = delete;
  MatcherIndex(MatcherIndex&&) = default;
  MatcherIndex& operator=(MatcherIndex&&) = default;

  // The index keeps a pointer to `trigger`, which must stay where it is, unchanged, until it
  // is erased: the table passes the keys of its ordered map. Inserting a present trigger,
  // erasing an absent one, and either with an empty trigger or one longer than
  // LongestIndexedTrigger change nothing.
  void Insert(const std::string& trigger);
  void Erase(std::string_view trigger);

  // The length of the indexed trigger that ends `typed` and comes first in unsigned byte-wise
  // order, or 0 when no indexed trigger ends it.
  std::size_t FirstTriggerEnding(std::string_view typed) const;
  // Calls `visit(length)` for every indexed trigger that ends `typed`, shortest first.
  template <typename Visit>
  void ForEachTriggerEnding(std::string_view typed, Visit&& visit) const {
    if (edges_ == 0) return;
    const std::size_t limit =
        typed.size() < LongestIndexedTrigger ? typed.size() : LongestIndexedTrigger;
    std::uint32_t node = Root;
    for (std::size_t depth = 1; depth <= limit; ++depth) {
      const std::size_t slot = Find(node, static_cast<std::uint8_t>(typed[typed.size() - depth]));
      if (slot == Absent) return;
      const Slot& edge = slots_[slot];
      if (edge.flags & Leaf) {
        const std::string& trigger = *leaves_[edge.node];
        if (typed.ends_with(trigger)) visit(trigger.size());
        return;
      }
      if (edge.flags & Terminal) visit(depth);
      node = edge.node;
    }
  }
  bool Empty() const { return edges_ == 0; }

 private:
  static constexpr std::uint32_t Root = 0;  // never anybody's child, so 0 also marks a free slot
  static constexpr std::size_t Absent = ~std::size_t{0};
  static constexpr std::uint8_t Terminal = 1;  // a trigger ends at this edge's node
  static constexpr std::uint8_t Leaf = 2;      // `node` numbers a trigger in leaves_ instead

  // The edge from `parent` over `label`, and what the node it leads to needs.
  struct Slot {
    std::uint32_t parent;
    std::uint32_t node;  // Root: the slot is free
    std::uint8_t label;
    std::uint8_t flags;
    std::uint16_t children;  // so that an erase knows when a node has become useless
  };
  static_assert(sizeof(Slot) == 12);

  std::size_t Home(std::uint32_t parent, std::uint8_t label) const;
  // The slot of the edge, or Absent.
  std::size_t Find(std::uint32_t parent, std::uint8_t label) const;
  // The edge must be absent and a free slot available.
  std::size_t Place(std::uint32_t parent, std::uint8_t label, std::uint32_t node,
                    std::uint8_t flags);
  std::size_t PlaceLeaf(std::uint32_t parent, std::uint8_t label, const std::string* trigger);
  void Remove(std::size_t slot);
  // A table at most half full with `edges` edges.
  void Resize(std::size_t edges);
  std::uint32_t NewNode();

  std::vector<Slot> slots_;  // empty, or a power of two in size
  unsigned slotBits_ = 0;
  std::size_t edges_ = 0;
  std::uint32_t nextNode_ = Root + 1;
  std::vector<std::uint32_t> freeNodes_;
  std::vector<const std::string*> leaves_;  // nullptr where free
  std::vector<std::uint32_t> freeLeaves_;
};

}  // namespace tarquel
