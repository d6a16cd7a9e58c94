// Texture classes: a BMP file read into memory and uploaded as a GL 2-D texture.
#include "render/texture.h"

#include "render/bmp_reader.h"

#include <GL/gl.h>
#include <iostream>
#include <utility>

#ifndef GL_BGR_EXT
#define GL_BGR_EXT 0x80E0 // the same value as GL 1.2's GL_BGR; older headers lack the EXT name
#endif

DovrelGraphicsLibrary::Texture2D objectTextures[textureCount];

namespace DovrelGraphicsLibrary
{

Texture2D::~Texture2D()
{
    if (textureName_ != 0)
    {
        const GLuint name = textureName_;
        glDeleteTextures(1, &name);
    }
}

void Texture2D::load(const char* fileName)
{
    if (textureName_ != 0)
    {
        const GLuint name = textureName_;
        glDeleteTextures(1, &name);
        textureName_ = 0;
    }
    if (pixels_)
    {
        pixels_.reset();
        width_ = 0;
        height_ = 0;
    }

    readBmp(fileName);

    GLuint name = 0;
    glGenTextures(1, &name);
    textureName_ = name;
    glBindTexture(GL_TEXTURE_2D, name);
    // The file's blue-green-red bytes go to GL as they are; every accepted row is a multiple of 4
    // bytes long, so the default unpack alignment reads exactly width * height * 3 bytes.
    glTexImage2D(GL_TEXTURE_2D, 0, 3, width_, height_, 0, GL_BGR_EXT, GL_UNSIGNED_BYTE, pixels_.get());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

void Texture2D::bind()
{
    glBindTexture(GL_TEXTURE_2D, textureName_);
}

void Texture2D::readBmp(const char* fileName)
{
    // Sides the GL cannot take are turned away before anything is allocated for them.
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    bmp::Image image = bmp::readFile(fileName, maxSide);
    bmp::reportFailure(std::cout, image.status, fileName, maxSide);
    switch (image.status)
    {
    case bmp::Status::openFailed:
    case bmp::Status::fileHeaderShort:
    case bmp::Status::infoHeaderShort:
        // Nothing was learnt about the image: what the object held stays.
        return;
    case bmp::Status::rejected:
    case bmp::Status::pixelDataShort:
        width_ = 0;
        height_ = 0;
        return;
    case bmp::Status::allocationFailed:
    case bmp::Status::ok:
        // After a failed allocation the header's size stays, and GL is given no pixels for it.
        width_ = image.width;
        height_ = image.height;
        pixels_ = std::move(image.pixels);
        return;
    }
}

} // namespace DovrelGraphicsLibrary
