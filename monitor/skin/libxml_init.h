#pragma once
// libxml2 and libxslt are set up once per process: parser globals, the EXSLT functions, and the
// rule that stylesheets may read only their skin's files and never write files or reach the
// network (xml_read_scope.h).

// Safe to call any number of times, from any thread.
void InitLibxml();
