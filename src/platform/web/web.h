// The embedded web view, on Qt WebEngine. WebEngine lives in a module of its
// own (libkestrel-web.so) that is loaded on the first createView, so a
// program that never opens a view never pays for it.
//
// Threads: UI thread only. A view sits in a host control made by
// gui::createHost and fills it, following the host's size; it dies with the
// host. Calls on a control without a view do nothing.
#pragma once

#include <string>

namespace web {

// Loads the module now (if not yet loaded), so that a later createView does
// not wait for it. False when it cannot be loaded.
bool preload();

// Loads the module if needed and puts a view showing `address` into the host
// control. False when the module cannot be loaded or the control is no host.
bool createView(int hostControl, const std::string& address);

// Shows `address` in the view. A "javascript:" address runs its script in
// the page shown, as a browser does with a bookmarklet.
void navigate(int hostControl, const std::string& address);
void goBack(int hostControl);
void goForward(int hostControl);
void stop(int hostControl);
void reload(int hostControl);

// The address the view shows now ("" without a view).
std::string currentAddress(int hostControl);
// True while the view is loading a page.
bool loading(int hostControl);

// True once the module has been loaded in this process.
bool moduleLoaded();

}  // namespace web
