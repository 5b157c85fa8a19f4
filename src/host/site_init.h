// `tamlo init`: sets up a working site on one machine.
//
// A site is what a fresh installation needs before a program can run: the
// settings store naming the client and server roots, the client profile
// pointing at the server and at the built modules, the server profile, the
// folders both sides write into, and the server's database with its seed
// data. Running it again is safe: it only adds what is missing and never
// changes a file or value that exists, since a user may have edited it.
#ifndef PELLOR_HOST_SITE_INIT_H_
#define PELLOR_HOST_SITE_INIT_H_

#include <cstdio>
#include <string>

namespace tamlo {

struct InitOptions {
  // The site folder; empty: the current folder. It holds the settings store
  // (registry.ini, unless PELLOR_REGISTRY names another file), client/ and
  // server/.
  std::string site;
  // The folder holding the built modules; empty: lib/ beside the folder of
  // the tamlo executable, where the build puts them.
  std::string modulesDir;
};

// Creates or completes the site and prints, one line each, what it created
// and what it kept to `out`. Raises pellor::Exception (EInOutError,
// EDatabaseError ...) when a file, folder or the database cannot be made.
void InitSite(const InitOptions& options, std::FILE* out);

}  // namespace tamlo

#endif  // PELLOR_HOST_SITE_INIT_H_
