#include "engine/match/matcher_index.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tarquel {

namespace {

// The byte that a trie step of the given depth (1: the last byte) reads.
std::uint8_t LabelAt(std::string_view text, std::size_t depth) {
  return static_cast<std::uint8_t>(text[text.size() - depth]);
}

}  // namespace

std::size_t MatcherIndex::Home(std::uint32_t parent, std::uint8_t label) const {
  // Fibonacci hashing: the top bits of the product mix every bit of the key.
  std::uint64_t key = (std::uint64_t{parent} << 8) | label;
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - slotBits_));
}

std::size_t MatcherIndex::Find(std::uint32_t parent, std::uint8_t label) const {
  if (edges_ == 0) return Absent;
  const std::size_t mask = slots_.size() - 1;
  // Ends: a quarter of the slots or more is always free.
  for (std::size_t i = Home(parent, label);; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.node == Root) return Absent;
    if (slot.parent == parent && slot.label == label) return i;
  }
}

std::size_t MatcherIndex::Place(std::uint32_t parent, std::uint8_t label, std::uint32_t node,
                                std::uint8_t flags) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Home(parent, label);
  while (slots_[i].node != Root) i = (i + 1) & mask;
  slots_[i] = Slot{parent, node, label, flags, 0};
  ++edges_;
  return i;
}

std::size_t MatcherIndex::PlaceLeaf(std::uint32_t parent, std::uint8_t label,
                                    const std::string* trigger) {
  std::uint32_t leaf;
  if (!freeLeaves_.empty()) {
    leaf = freeLeaves_.back();
    freeLeaves_.pop_back();
    leaves_[leaf] = trigger;
  } else {
    // Leaf numbers start at 1: a slot numbered Root would read as free.
    if (leaves_.empty()) leaves_.push_back(nullptr);
    leaf = static_cast<std::uint32_t>(leaves_.size());
    leaves_.push_back(trigger);
  }
  return Place(parent, label, leaf, Leaf);
}

std::uint32_t MatcherIndex::NewNode() {
  if (freeNodes_.empty()) return nextNode_++;
  std::uint32_t node = freeNodes_.back();
  freeNodes_.pop_back();
  return node;
}

void MatcherIndex::Remove(std::size_t hole) {
  const std::size_t mask = slots_.size() - 1;
  if (slots_[hole].flags & Leaf) {
    leaves_[slots_[hole].node] = nullptr;
    freeLeaves_.push_back(slots_[hole].node);
  } else {
    freeNodes_.push_back(slots_[hole].node);
  }
  slots_[hole].node = Root;
  --edges_;
  // Linear probing without tombstones: pull later entries of the run back into the hole when
  // their home lies at or before it, so that every lookup still reaches them before a gap.
  for (std::size_t j = (hole + 1) & mask; slots_[j].node != Root; j = (j + 1) & mask) {
    std::size_t home = Home(slots_[j].parent, slots_[j].label);
    if (((j - home) & mask) >= ((j - hole) & mask)) {
      slots_[hole] = slots_[j];
      slots_[j].node = Root;
      hole = j;
    }
  }
}

void MatcherIndex::Resize(std::size_t edges) {
  std::vector<Slot> old = std::move(slots_);
  slotBits_ = 4;
  while ((std::size_t{1} << slotBits_) < edges * 2) ++slotBits_;
  slots_.assign(std::size_t{1} << slotBits_, Slot{Root, Root, 0, 0, 0});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.node == Root) continue;
    std::size_t i = Home(slot.parent, slot.label);
    while (slots_[i].node != Root) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void MatcherIndex::Insert(const std::string& trigger) {
  if (trigger.empty() || trigger.size() > LongestIndexedTrigger) return;
  // At most three quarters full, counting every edge this insert might add: one per byte when
  // it pushes a leaf down all the way, and its own leaf.
  if ((edges_ + trigger.size() + 1) * 4 > slots_.size() * 3) {
    Resize(edges_ + trigger.size() + 1);
  }

  // Placing and converting never move another slot, so `slot` stays the current node's.
  std::uint32_t node = Root;
  std::size_t slot = Absent;
  for (std::size_t depth = 1; depth <= trigger.size(); ++depth) {
    std::uint8_t label = LabelAt(trigger, depth);
    std::size_t next = Find(node, label);
    if (next == Absent) {
      if (slot != Absent) ++slots_[slot].children;
      PlaceLeaf(node, label, &trigger);
      return;
    }
    if (slots_[next].flags & Leaf) {
      // Another trigger sits below this edge alone: spell its edge out as a node and move it
      // one step down, or end it here. The walk then goes on through that node.
      const std::string* other = leaves_[slots_[next].node];
      if (*other == trigger) return;
      leaves_[slots_[next].node] = nullptr;
      freeLeaves_.push_back(slots_[next].node);
      slots_[next].node = NewNode();
      slots_[next].flags = 0;
      if (other->size() == depth) {
        slots_[next].flags = Terminal;
      } else {
        PlaceLeaf(slots_[next].node, LabelAt(*other, depth + 1), other);
        slots_[next].children = 1;
      }
    }
    slot = next;
    node = slots_[slot].node;
  }
  slots_[slot].flags |= Terminal;
}

void MatcherIndex::Erase(std::string_view trigger) {
  if (trigger.empty() || trigger.size() > LongestIndexedTrigger) return;
  // The nodes along the trigger; they keep their numbers while removals shift slots about.
  std::array<std::uint32_t, LongestIndexedTrigger + 1> path;
  path[0] = Root;
  std::size_t depth = 0;
  std::size_t slot = Absent;
  while (depth < trigger.size()) {
    slot = Find(path[depth], LabelAt(trigger, depth + 1));
    if (slot == Absent) return;
    ++depth;
    if (slots_[slot].flags & Leaf) {
      if (*leaves_[slots_[slot].node] != trigger) return;
      break;
    }
    path[depth] = slots_[slot].node;
  }
  if (!(slots_[slot].flags & (Terminal | Leaf))) return;
  slots_[slot].flags &= static_cast<std::uint8_t>(~Terminal);

  // Drop the edge that held the trigger and every node above it that led only to it.
  while (slots_[slot].children == 0 && !(slots_[slot].flags & Terminal)) {
    Remove(slot);
    if (--depth == 0) break;
    slot = Find(path[depth - 1], LabelAt(trigger, depth));
    --slots_[slot].children;
  }

  if (edges_ == 0) {
    *this = MatcherIndex();  // start afresh, numbering included
  } else if (slots_.size() > 16 && edges_ * 8 < slots_.size()) {
    Resize(edges_);  // give memory back once far below the table's size
  }
}

std::size_t MatcherIndex::FirstTriggerEnding(std::string_view typed) const {
  const std::size_t limit = std::min(typed.size(), LongestIndexedTrigger);
  std::size_t best = 0;
  auto consider = [&](std::size_t length) {
    // Every candidate is an ending of `typed`; keep the one that sorts first.
    if (best == 0 || typed.substr(typed.size() - length) < typed.substr(typed.size() - best)) {
      best = length;
    }
  };
  std::uint32_t node = Root;
  for (std::size_t depth = 1; depth <= limit; ++depth) {
    std::size_t slot = Find(node, LabelAt(typed, depth));
    if (slot == Absent) break;
    const Slot& edge = slots_[slot];
    if (edge.flags & Leaf) {
      const std::string& trigger = *leaves_[edge.node];
      if (typed.ends_with(trigger)) consider(trigger.size());
      break;
    }
    if (edge.flags & Terminal) consider(depth);
    node = edge.node;
  }
  return best;
}

}  // namespace tarquel
