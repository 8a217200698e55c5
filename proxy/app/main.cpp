// quorvex: the SBS-1 to FSD proxy.
#include "QuorvexApp.h"
#include "platform/ProgramConsole.h"

int main(int argc, char** argv)
{
    platform::UseBinaryStandardStreams();
    return CQuorvexApp::Main(argc, argv);
}
