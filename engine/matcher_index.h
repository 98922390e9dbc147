#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarquel {

// The triggers, each read from its last byte to its first, as one trie. Walking it backwards
// from the end of the typed text meets exactly the triggers that end that text, shortest
// first, so a key costs at most one step per buffered character however large the table is.
//
// Edges live in a single open-addressing hash table keyed by (parent node, byte) instead of in
// per-node child lists: a step costs the same whatever a node's fan-out, and a node needs only
// 8 bytes. Nodes freed by an erase are reused by later inserts.
class MatcherIndex {
 public:
  // Longer triggers could never end the typed buffer; the table keeps them out of the index.
  static constexpr std::size_t LongestIndexedTrigger = 50;

  MatcherIndex();

  // `trigger` is 1 to LongestIndexedTrigger bytes long. Inserting a present trigger is harmless.
  void Insert(std::string_view trigger);
  // Erasing an absent trigger is harmless.
  void Erase(std::string_view trigger);

  // The length of the indexed trigger that ends `typed` and comes first in unsigned byte-wise
  // order, or 0 when no indexed trigger ends it.
  std::size_t FirstTriggerEnding(std::string_view typed) const;

 private:
  static constexpr std::uint32_t NoNode = 0;  // the root is never anybody's child

  struct Node {
    std::uint32_t parent;  // on the free list: the next free node
    std::uint16_t children;
    std::uint8_t label;
    bool terminal;
  };

  std::uint32_t Child(std::uint32_t parent, std::uint8_t label) const;
  std::uint32_t AddChild(std::uint32_t parent, std::uint8_t label);
  void RemoveEdge(std::uint32_t child);
  std::size_t Home(std::uint32_t parent, std::uint8_t label) const;
  void GrowSlots();

  std::vector<Node> nodes_;  // nodes_[0] is the root: the empty ending
  std::uint32_t freeNodes_ = NoNode;
  // Child node ids, NoNode where empty; the size is a power of two, at most half full.
  std::vector<std::uint32_t> slots_;
  unsigned slotBits_ = 0;
  std::size_t edges_ = 0;
};

}  // namespace tarquel
