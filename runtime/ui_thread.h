// Hands work to the UI thread (the thread that ran InitializeRuntime) and waits for it.
#pragma once

namespace vx {

using UiThreadTask = void (*)(void* context);

// Runs `task` on the UI thread while the caller waits (on the UI thread: at once). On Windows
// this is a message sent to the hidden owner window; elsewhere the UI thread runs it from
// RunUiThreadTasks, which its message loop calls.
void CallOnUiThread(UiThreadTask task, void* context);

// Runs the tasks that other threads are waiting on; a no-op where messages carry them.
void RunUiThreadTasks();

}  // namespace vx
