// quorvex: the SBS-1 to FSD proxy.
#include "QuorvexApp.h"

int main(int argc, char** argv)
{
    return CQuorvexApp::Main(argc, argv);
}
