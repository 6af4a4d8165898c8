#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltrano {

// What happened to a document, as its views hear it.
struct DocumentChange {
    enum class Kind {
        Edit,  // one field changed through Edit()
        Undo,
        Redo,
        Load,  // a new value replaced the whole document (New, Open, a device's default)
        Saved  // only the modified flag changed
    };
    Kind kind;
    // The field the edit (or the undone or redone step) was made in, as the editor named it;
    // empty for Load and Saved. Editors use it to show the place where the change happened.
    std::string field;
};

// A value under edit: every change goes through it, its views are told of every change, it
// keeps a modified flag and an undo history of whole snapshots. The edited models are plain
// values, so a snapshot per step is cheap; a run of edits of one field (a slider dragged, a
// number typed digit by digit) merges into one step.
template <typename Model>
class EditDocument {
public:
    using Listener = std::function<void(const DocumentChange&)>;
    using ListenerId = size_t;
    // Older steps are forgotten beyond this many.
    static constexpr size_t kMaxSteps = 200;

    explicit EditDocument(Model initial = Model()) { steps_.push_back({std::move(initial), {}}); }

    [[nodiscard]] const Model& Value() const { return steps_[index_].value; }

    // Applies `edit` (a callable taking Model&) to the value as one step named by `field`.
    // Consecutive edits of the same field merge into one step until EndMerge() or an edit of
    // another field. An edit that changes nothing is no step at all. True when it changed the
    // value.
    template <typename EditFn>
    bool Edit(std::string_view field, EditFn&& edit) {
        Model next = Value();
        std::forward<EditFn>(edit)(next);
        if constexpr (std::equality_comparable<Model>) {
            if (next == Value()) {
                return false;
            }
        }
        steps_.resize(index_ + 1);  // an edit ends the redo path
        // A step the file was saved at stays as it is, so the modified flag stays true.
        const bool merge =
            mergeOpen_ && index_ > 0 && steps_[index_].field == field && index_ != savedIndex_;
        if (merge) {
            steps_[index_].value = std::move(next);
        } else {
            steps_.push_back({std::move(next), std::string(field)});
            ++index_;
            Trim();
        }
        mergeOpen_ = true;
        Tell({DocumentChange::Kind::Edit, std::string(field)});
        return true;
    }

    // The next edit starts a step of its own, whatever its field (a slider let go, focus left).
    void EndMerge() { mergeOpen_ = false; }

    [[nodiscard]] bool CanUndo() const { return index_ > 0; }
    [[nodiscard]] bool CanRedo() const { return index_ + 1 < steps_.size(); }
    // The field of the step undone or redone; empty when there was nothing to do.
    std::string Undo() {
        if (!CanUndo()) {
            return {};
        }
        std::string field = steps_[index_].field;
        --index_;
        mergeOpen_ = false;
        Tell({DocumentChange::Kind::Undo, field});
        return field;
    }
    std::string Redo() {
        if (!CanRedo()) {
            return {};
        }
        ++index_;
        mergeOpen_ = false;
        std::string field = steps_[index_].field;
        Tell({DocumentChange::Kind::Redo, field});
        return field;
    }

    // A new value for the whole document: the history starts again from it. `saved` tells
    // whether it is what a file holds (Open) or a fresh start that counts as unmodified.
    void Load(Model value) {
        steps_.clear();
        steps_.push_back({std::move(value), {}});
        index_ = 0;
        savedIndex_ = 0;
        mergeOpen_ = false;
        Tell({DocumentChange::Kind::Load, {}});
    }

    // The value as it is now was written to its file.
    void MarkSaved() {
        const bool was = Modified();
        savedIndex_ = index_;
        mergeOpen_ = false;
        if (was) {
            Tell({DocumentChange::Kind::Saved, {}});
        }
    }
    [[nodiscard]] bool Modified() const { return index_ != savedIndex_; }

    ListenerId Listen(Listener listener) {
        listeners_.push_back({nextId_, std::move(listener)});
        return nextId_++;
    }
    void StopListening(ListenerId id) {
        std::erase_if(listeners_, [id](const Entry& e) { return e.id == id; });
    }

private:
    static constexpr size_t kNever = static_cast<size_t>(-1);
    struct Step {
        Model value;
        std::string field;
    };
    struct Entry {
        ListenerId id;
        Listener listener;
    };

    void Trim() {
        if (steps_.size() <= kMaxSteps + 1) {
            return;
        }
        const size_t drop = steps_.size() - (kMaxSteps + 1);
        steps_.erase(steps_.begin(), steps_.begin() + static_cast<std::ptrdiff_t>(drop));
        index_ -= drop;
        savedIndex_ = savedIndex_ >= drop && savedIndex_ != kNever ? savedIndex_ - drop : kNever;
    }

    void Tell(const DocumentChange& change) {
        // A listener may stop listening (or another start) while being told: the ones that
        // listened when the change began are told, unless they stopped meanwhile.
        const std::vector<Entry> snapshot = listeners_;
        for (const Entry& entry : snapshot) {
            const bool still = std::any_of(listeners_.begin(), listeners_.end(),
                                           [&](const Entry& e) { return e.id == entry.id; });
            if (still) {
                entry.listener(change);
            }
        }
    }

    std::vector<Step> steps_;
    size_t index_ = 0;
    size_t savedIndex_ = 0;
    bool mergeOpen_ = false;
    std::vector<Entry> listeners_;
    ListenerId nextId_ = 1;
};

}  // namespace veltrano
