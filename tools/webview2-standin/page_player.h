#pragma once

// The scripted page. After the installer navigates, the page asks for its document
// through the resource handler, runs the document scripts, then plays the steps of
// the file named by QUILLMAR_STANDIN_SCRIPT, one per line ("#" starts a comment):
//
//   request URI      ask the resource handler for URI; record status, headers, body
//   navigate URI     start a navigation to URI; record whether it was cancelled
//   new-window URI   ask for a new window; record whether it was refused
//   post TEXT        post TEXT as a page message (window.chrome.webview.postMessage)
//   wait TEXT        wait until a script the installer runs contains TEXT
//   close            close the installer's window, as its close button does, and
//                    record when the window is hidden
//   post-from SOURCE TEXT   post TEXT as a document at SOURCE would (a frame or a
//                    page of another origin)
//   request-failing URI     ask for URI while the runtime fails every
//                    CreateWebResourceResponse; record what the page got
//   focus            take the keyboard focus away and give it to the window
//   move X Y         move the window to X, Y
//   minimize, restore       minimize the window, and restore it
//   renderer-exit    the renderer ends: ProcessFailed (render process exited); the
//                    page plays nothing more until the installer loads it again
//   browser-exit     the browser process ends: ProcessFailed (browser process
//                    exited); the same, until a new environment's web view loads it
//
// After each load (the first, or one the installer asks for with Reload) the page
// raises NavigationCompleted once its own scripts start.
//
// Everything the page does and sees goes into the record with the prefix "page: ".

#include <string>

namespace standin {

// UI thread, after Navigate(START_URI) returned.
void play_page(const std::wstring& start_uri);

// UI thread: the installer asked for the page again (Reload).
void reload_page();

// UI thread: every script the installer runs in the page, in order.
void page_ran_script(std::string script);

}  // namespace standin
