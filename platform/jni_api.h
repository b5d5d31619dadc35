// The Java Native Interface as the installed JDK declares it.
#pragma once

#include <jni.h>
