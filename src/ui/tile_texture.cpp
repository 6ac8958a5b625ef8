#include "ui/tile_texture.h"

#include "image/display_tile.h"
#include "image/document.h"
#include "ui/gl_texture.h"

namespace {

void CreateTexture(LayerTile& stack) {
    stack.texture = NewEdgeClampedTexture();
    stack.textureCreated = true;
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // A new texture has no pixels yet: the stack must be composited for it.
    stack.dirty = true;
}

}  // namespace

void RenderTile(LayerTile& stack, bool smooth) {
    if (!stack.textureCreated) CreateTexture(stack);
    glBindTexture(GL_TEXTURE_2D, stack.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, smooth ? GL_LINEAR : GL_NEAREST);

    RenderTile(stack);
    if (stack.uploadPending && stack.texturePixels) {
        glTexImage2D(GL_TEXTURE_2D, 0, 4, stack.side, stack.side, 0, GL_RGBA, GL_UNSIGNED_BYTE, stack.texturePixels);
        stack.uploadPending = false;
    }
}

void ReleaseDroppedTextures(Document& doc) {
    for (uint32_t name : doc.texturesToRelease) {
        const GLuint texture = name;
        glDeleteTextures(1, &texture);
    }
    doc.texturesToRelease.clear();
}

void ReleaseTileTextures(Document& doc) {
    for (LayerTile* stack : doc.stacks) {
        if (!stack || !stack->textureCreated) continue;
        const GLuint texture = stack->texture;
        glDeleteTextures(1, &texture);
        stack->texture = 0;
        stack->textureCreated = false;
    }
    ReleaseDroppedTextures(doc);
}
