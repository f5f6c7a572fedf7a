// Every service of the engine in one include, grouped as the headers below are.
#pragma once

#include <orvik/platform.h>    // start-up, the window, the message pump, settings
#include <orvik/system.h>      // time, random numbers, tracked memory
#include <orvik/log.h>         // the log file
#include <orvik/files.h>       // files and archives, directory search, paths
#include <orvik/input.h>       // keyboard and joypads
#include <orvik/text_input.h>  // typed text, text-entry fields, clipboard, dropped files
#include <orvik/network.h>     // TCP connections with framed messages
#include <orvik/graphics.h>    // the screen, graphic handles, drawing, presenting
#include <orvik/mask.h>        // drawing through masks
#include <orvik/fonts.h>       // font handles and text drawing
#include <orvik/math.h>        // vectors and matrices
#include <orvik/scene3d.h>     // camera, lights, fog, vertex and index buffers, models
#include <orvik/soft_image.h>  // pictures in memory, pixel by pixel
#include <orvik/movie.h>       // movies played into graphics
#include <orvik/sound.h>       // sound handles
#include <orvik/soft_sound.h>  // PCM made by the program, and capturing the output
#include <orvik/music.h>       // MIDI music
