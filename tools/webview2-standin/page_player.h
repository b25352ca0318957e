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
//   close            close the installer's window, as its close button does
//
// Everything the page does and sees goes into the record with the prefix "page: ".

#include <string>

namespace standin {

// UI thread, after Navigate(START_URI) returned.
void play_page(const std::wstring& start_uri);

// UI thread: every script the installer runs in the page, in order.
void page_ran_script(std::string script);

}  // namespace standin
