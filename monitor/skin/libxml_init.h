#pragma once
// libxml2 and libxslt are set up once per process: parser globals, the EXSLT functions, and the
// rule that stylesheets may read files but never write files or reach the network.

// Safe to call any number of times, from any thread.
void InitLibxml();
