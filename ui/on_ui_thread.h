// Runs a piece of work on the UI thread while the caller waits (at once on the UI thread).
#pragma once

#include <type_traits>

#include "runtime/ui_thread.h"

namespace vx {

template <typename Work>
void OnUiThread(Work&& work) {
  using WorkType = std::remove_reference_t<Work>;
  CallOnUiThread([](void* context) { (*static_cast<WorkType*>(context))(); },
                 const_cast<void*>(static_cast<const void*>(&work)));
}

}  // namespace vx
