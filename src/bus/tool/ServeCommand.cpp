// tarvo-bus serve: the socketcand protocol over TCP.
#include <cstdio>

#include "bus/SocketcandServer.h"
#include "bus/tool/BusTool.h"

namespace tarvo::bus {

int ServeCommand(const TToolOptions& options) {
  if (!options.Operands.empty()) return Fail("serve", "unexpected argument " + options.Operands.front(), ExitUsage);
  TBusLink link;
  TServerOptions serverOptions;
  serverOptions.Address = options.ListenAddress;
  serverOptions.Port = options.Port;
  TSocketcandServer server(link, serverOptions);
  std::string error;
  // The address is checked before the adapter is opened: a busy port
  // leaves the adapter alone.
  if (!server.Listen(error)) return Fail("serve", error, ExitFailure);
  if (const int r = OpenAndStart("serve", options, link); r != ExitOk) return r;
  std::fprintf(stderr,
               "tarvo-bus: serving socketcand on %s, channel can0 (no authentication: anyone who can connect "
               "can read and write the bus)\n",
               server.Where().c_str());
  std::fflush(stderr);
  server.Run(StopRequest());
  link.Close();
  return ExitOk;
}

}  // namespace tarvo::bus
